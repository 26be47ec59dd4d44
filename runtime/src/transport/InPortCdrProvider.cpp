#include "transport/InPortCdrProvider.h"

#include "log/ServantBoundary.h"

namespace rtm
{
  InPortCdrProvider::InPortCdrProvider(std::shared_ptr<SampleQueue> queue, ByteOrder order)
    : m_queue(std::move(queue)), m_order(order)
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
      [&] { return m_queue->putCdr(data.get_buffer(), data.length(), m_order); });
  }
}
