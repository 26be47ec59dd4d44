// Where a connection's transport reports the steps a sample goes through, so that the port's
// connector listeners see them. The transport calls it in the thread doing the step, holding no
// lock of its own; a connection without listeners passes a null pointer and pays nothing.
#pragma once

#include "transport/SendStatus.h"

#include <rtm/ConnectorListener.h>

#include <cstddef>

namespace rtm
{
  class DataEvents
  {
  public:
    virtual ~DataEvents() = default;
    virtual void data(RTC::ConnectorDataListenerType type, const CORBA::Octet* octets, std::size_t length) noexcept = 0;
    virtual void plain(RTC::ConnectorListenerType type) noexcept = 0;
  };

  // The event that tells how a peer took a sample we pushed. A flushing writer reports a lost peer
  // as a timeout, a publisher thread as an error, as the middleware's publishers do.
  inline RTC::ConnectorDataListenerType peerAnswerEvent(SendStatus status, bool lostIsTimeout)
  {
    switch (status)
    {
      case SendStatus::OK:
        return RTC::ON_RECEIVED;
      case SendStatus::SEND_FULL:
        return RTC::ON_RECEIVER_FULL;
      case SendStatus::SEND_TIMEOUT:
        return RTC::ON_RECEIVER_TIMEOUT;
      case SendStatus::CONNECTION_LOST:
        return lostIsTimeout ? RTC::ON_RECEIVER_TIMEOUT : RTC::ON_RECEIVER_ERROR;
      default:
        return RTC::ON_RECEIVER_ERROR;
    }
  }
}
