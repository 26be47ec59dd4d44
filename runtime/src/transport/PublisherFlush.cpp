#include "transport/PublisherFlush.h"

namespace rtm
{
  PublisherFlush::PublisherFlush(std::unique_ptr<InPortCdrConsumer> consumer) : m_consumer(std::move(consumer)) {}

  SendStatus PublisherFlush::write(const CORBA::Octet* data, std::size_t length) noexcept
  {
    return m_consumer->put(data, length);
  }
}
