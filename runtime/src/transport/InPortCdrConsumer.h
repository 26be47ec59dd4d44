// The out side's handle on a peer's InPortCdr: sends one encoded sample and says how it went.
// Every call is bounded in time, so a dead or hung peer shows as CONNECTION_LOST; once one
// connection found the peer's process unreachable, the others to it fail without calling.
#pragma once

#include "transport/PeerHealth.h"
#include "transport/SendStatus.h"

#include <rtm/idl/DataPort.hh>

#include <cstddef>

namespace rtm
{
  class InPortCdrConsumer
  {
  public:
    InPortCdrConsumer(OpenRTM::InPortCdr_ptr peer, unsigned long callTimeoutMs);
    SendStatus put(const CORBA::Octet* data, std::size_t length) noexcept;

  private:
    OpenRTM::InPortCdr_var m_peer;
    PeerWatch m_watch;
  };
}
