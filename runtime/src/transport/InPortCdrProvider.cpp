#include "transport/InPortCdrProvider.h"

#include "ec/ServingThreadPriority.h"
#include "log/ServantBoundary.h"

namespace rtm
{
  InPortCdrProvider::InPortCdrProvider(std::shared_ptr<SampleQueue> queue, ByteOrder order)
    : m_queue(std::move(queue)), m_order(order)
  {}

  OpenRTM::PortStatus InPortCdrProvider::put(const OpenRTM::CdrData& data)
  {
    ServingThreadPriority::follow();
    return guarded(
      "transport", "InPortCdr put", [] { return OpenRTM::UNKNOWN_ERROR; },
      [&] { return m_queue->putCdr(data.get_buffer(), data.length(), m_order); });
  }
}
