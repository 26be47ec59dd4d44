#include "transport/PublisherFlush.h"

namespace rtm
{
  PublisherFlush::PublisherFlush(std::unique_ptr<InPortCdrConsumer> consumer, std::shared_ptr<DataEvents> events)
    : m_consumer(std::move(consumer)), m_events(std::move(events))
  {}

  SendStatus PublisherFlush::write(const CORBA::Octet* data, std::size_t length) noexcept
  {
    if (m_events)
      m_events->data(RTC::ON_SEND, data, length);
    const SendStatus status = m_consumer->put(data, length);
    if (m_events)
      m_events->data(peerAnswerEvent(status, true), data, length);
    return status;
  }
}
