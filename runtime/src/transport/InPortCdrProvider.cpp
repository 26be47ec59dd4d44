#include "transport/InPortCdrProvider.h"

#include "ec/ServingThreadPriority.h"

namespace rtm
{
  InPortCdrProvider::InPortCdrProvider(std::shared_ptr<SampleQueue> queue, ByteOrder order)
    : m_queue(std::move(queue)), m_order(order)
  {}

  OpenRTM::PortStatus InPortCdrProvider::put(const OpenRTM::CdrData& data)
  {
    ServingThreadPriority::follow();
    try
    {
      return m_queue->putCdr(data.get_buffer(), data.length(), m_order);
    }
    catch (...)
    {
      return OpenRTM::UNKNOWN_ERROR;
    }
  }
}
