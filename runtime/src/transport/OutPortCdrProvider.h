// The object a pulling peer calls: one per pull connection of an output port, handing out the
// encoded samples the port wrote into that connection's buffer.
#pragma once

#include "transport/DataEvents.h"
#include "transport/RingBuffer.h"

#include <rtm/idl/DataPort.hh>

#include <memory>
#include <vector>

namespace rtm
{
  using OctetBuffer = RingBuffer<std::vector<CORBA::Octet>>;

  class OutPortCdrProvider : public virtual POA_OpenRTM::OutPortCdr
  {
  public:
    explicit OutPortCdrProvider(std::shared_ptr<OctetBuffer> buffer, std::shared_ptr<DataEvents> events = nullptr);
    OpenRTM::PortStatus get(OpenRTM::CdrData_out data) override;

  private:
    std::shared_ptr<OctetBuffer> m_buffer;
    std::shared_ptr<DataEvents> m_events;
  };
}
