#include "transport/InPortCdrProvider.h"

#include "log/ServantBoundary.h"

namespace rtm
{
  InPortCdrProvider::InPortCdrProvider(std::shared_ptr<SampleQueue> queue, ByteOrder order,
                                       std::shared_ptr<DataEvents> events)
    : m_queue(std::move(queue)), m_order(order), m_events(std::move(events))
  {}

  OpenRTM::PortStatus InPortCdrProvider::put(const OpenRTM::CdrData& data)
  {
    // The ORB thread running this keeps normal scheduling, even beside a real-time context. The
    // usual caller is a peer's own real-time tick, and the kernel never wakes a real-time thread
    // on the core where one of equal priority runs: a serving thread at the context's priority
    // would be woken on the other core at every put, a wake-up that costs a small machine more
    // than the put itself, where a normal one runs on the caller's core as the caller blocks. A
    // tick landing in the middle of a put delays only that put.
    return guarded(
      "transport", "InPortCdr put", [] { return OpenRTM::UNKNOWN_ERROR; },
      [&] {
        const CORBA::Octet* octets = data.get_buffer();
        const OpenRTM::PortStatus status = m_queue->putCdr(octets, data.length(), m_order);
        if (!m_events)
          return status;
        // Told after the decode, so that listeners only ever see octets that decode to the port's
        // type: a typed listener unmarshals them with no check of its own.
        if (status == OpenRTM::PORT_ERROR)
        {
          m_events->data(RTC::ON_RECEIVER_ERROR, nullptr, 0);
          return status;
        }
        m_events->data(RTC::ON_RECEIVED, octets, data.length());
        switch (status)
        {
          case OpenRTM::PORT_OK:
            m_events->data(RTC::ON_BUFFER_WRITE, octets, data.length());
            break;
          case OpenRTM::BUFFER_FULL:
            m_events->data(RTC::ON_BUFFER_FULL, octets, data.length());
            m_events->data(RTC::ON_RECEIVER_FULL, octets, data.length());
            break;
          case OpenRTM::BUFFER_TIMEOUT:
            m_events->data(RTC::ON_BUFFER_WRITE_TIMEOUT, octets, data.length());
            m_events->data(RTC::ON_RECEIVER_TIMEOUT, octets, data.length());
            break;
          default:
            m_events->data(RTC::ON_RECEIVER_ERROR, octets, data.length());
            break;
        }
        return status;
      });
  }
}
