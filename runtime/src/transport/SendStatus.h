// How one connector fared with one sample, as the out side sees it.
#pragma once

#include "transport/RingBuffer.h"

#include <rtm/idl/DataPort.hh>

namespace rtm
{
  enum class SendStatus
  {
    OK,
    PORT_ERROR,
    SEND_FULL,
    SEND_TIMEOUT,
    UNKNOWN_ERROR,
    CONNECTION_LOST,
    // The connection's own buffer, before any peer is called (new, periodic and pull).
    BUFFER_FULL,
    BUFFER_TIMEOUT,
    // Larger than one ORB message may carry: never sent, the connection stays.
    TOO_LARGE
  };

  // A peer's answer to put(), mapped as peers of the 1.1 middleware map it.
  inline SendStatus toSendStatus(OpenRTM::PortStatus status)
  {
    switch (status)
    {
      case OpenRTM::PORT_OK:
        return SendStatus::OK;
      case OpenRTM::PORT_ERROR:
        return SendStatus::PORT_ERROR;
      case OpenRTM::BUFFER_FULL:
        return SendStatus::SEND_FULL;
      case OpenRTM::BUFFER_TIMEOUT:
        return SendStatus::SEND_TIMEOUT;
      default:
        return SendStatus::UNKNOWN_ERROR;
    }
  }

  // How a publisher's own buffer took a sample, in the same terms.
  inline SendStatus toSendStatus(BufferStatus status)
  {
    switch (status)
    {
      case BufferStatus::OK:
        return SendStatus::OK;
      case BufferStatus::FULL:
        return SendStatus::BUFFER_FULL;
      case BufferStatus::TIMEOUT:
        return SendStatus::BUFFER_TIMEOUT;
      default:
        return SendStatus::UNKNOWN_ERROR;
    }
  }
}
