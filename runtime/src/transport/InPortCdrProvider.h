// The object a pushing peer calls: one per connection of an input port, decoding into the
// port's shared SampleQueue in the byte order that connection negotiated. It keeps the queue
// alive by itself, so a call still running when the connection goes cannot touch freed memory.
#pragma once

#include "transport/DataEvents.h"
#include "transport/SampleQueue.h"

#include <rtm/idl/DataPort.hh>

#include <memory>

namespace rtm
{
  class InPortCdrProvider : public virtual POA_OpenRTM::InPortCdr
  {
  public:
    InPortCdrProvider(std::shared_ptr<SampleQueue> queue, ByteOrder order,
                      std::shared_ptr<DataEvents> events = nullptr);
    OpenRTM::PortStatus put(const OpenRTM::CdrData& data) override;

  private:
    std::shared_ptr<SampleQueue> m_queue;
    ByteOrder m_order;
    std::shared_ptr<DataEvents> m_events;
  };
}
