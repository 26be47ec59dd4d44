#include "transport/OutPortCdrConsumer.h"

#include "log/ServantBoundary.h"
#include "transport/CallTimeout.h"

namespace rtm
{
  OutPortCdrConsumer::OutPortCdrConsumer(OpenRTM::OutPortCdr_ptr peer, unsigned long callTimeoutMs)
    : m_peer(OpenRTM::OutPortCdr::_duplicate(peer)), m_watch(peer)
  {
    limitCallTime(m_peer.in(), callTimeoutMs);
  }

  bool OutPortCdrConsumer::get(OpenRTM::CdrData_var& data, OpenRTM::PortStatus& status) noexcept
  {
    if (m_watch.knownUnreachable())
      return false;
    try
    {
      status = m_peer->get(data.out());
      return true;
    }
    catch (const CORBA::SystemException& e)
    {
      m_watch.failed(e);
      return false;
    }
    catch (...)
    {
      RTM_LOG_ERROR("transport", "call to a peer failed: " << currentExceptionText());
      return false;
    }
  }
}
