#include "transport/OutPortCdrConsumer.h"

#include "transport/CallTimeout.h"

namespace rtm
{
  OutPortCdrConsumer::OutPortCdrConsumer(OpenRTM::OutPortCdr_ptr peer, unsigned long callTimeoutMs)
    : m_peer(OpenRTM::OutPortCdr::_duplicate(peer))
  {
    limitCallTime(m_peer.in(), callTimeoutMs);
  }

  bool OutPortCdrConsumer::get(OpenRTM::CdrData_var& data, OpenRTM::PortStatus& status) noexcept
  {
    try
    {
      status = m_peer->get(data.out());
      return true;
    }
    catch (...)
    {
      return false;
    }
  }
}
