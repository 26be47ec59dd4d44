// The in side's handle on a peer's OutPortCdr: fetches one encoded sample on demand.
#pragma once

#include "transport/PeerHealth.h"

#include <rtm/idl/DataPort.hh>

namespace rtm
{
  class OutPortCdrConsumer
  {
  public:
    OutPortCdrConsumer(OpenRTM::OutPortCdr_ptr peer, unsigned long callTimeoutMs);
    // PORT_OK fills `data`. A peer that is gone or does not answer in time gives false.
    bool get(OpenRTM::CdrData_var& data, OpenRTM::PortStatus& status) noexcept;

  private:
    OpenRTM::OutPortCdr_var m_peer;
    PeerWatch m_watch;
  };
}
