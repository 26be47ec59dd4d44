// Sends each sample synchronously, in the writer's thread, and reports the peer's answer.
#pragma once

#include "transport/DataEvents.h"
#include "transport/InPortCdrConsumer.h"
#include "transport/Publisher.h"

#include <memory>

namespace rtm
{
  class PublisherFlush : public Publisher
  {
  public:
    PublisherFlush(std::unique_ptr<InPortCdrConsumer> consumer, std::shared_ptr<DataEvents> events = nullptr);
    SendStatus write(const CORBA::Octet* data, std::size_t length) noexcept override;

  private:
    std::unique_ptr<InPortCdrConsumer> m_consumer;
    std::shared_ptr<DataEvents> m_events;
  };
}
