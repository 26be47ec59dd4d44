#include "transport/InPortCdrConsumer.h"

#include "log/ServantBoundary.h"
#include "transport/CallTimeout.h"

namespace rtm
{
  InPortCdrConsumer::InPortCdrConsumer(OpenRTM::InPortCdr_ptr peer, unsigned long callTimeoutMs)
    : m_peer(OpenRTM::InPortCdr::_duplicate(peer)), m_watch(peer)
  {
    limitCallTime(m_peer.in(), callTimeoutMs);
  }

  SendStatus InPortCdrConsumer::put(const CORBA::Octet* data, std::size_t length) noexcept
  {
    // Another connection already waited for this peer in vain: no use waiting again.
    if (m_watch.knownUnreachable())
      return SendStatus::CONNECTION_LOST;
    try
    {
      // Lends the encoder's octets to the call without copying them.
      const auto n = static_cast<CORBA::ULong>(length);
      OpenRTM::CdrData payload;
      payload.replace(n, n, const_cast<CORBA::Octet*>(data), false);
      return toSendStatus(m_peer->put(payload));
    }
    catch (const CORBA::MARSHAL&)
    {
      // A sample over either ORB's message limit: the peer is fine, only this sample is lost.
      return SendStatus::TOO_LARGE;
    }
    catch (const CORBA::SystemException& e)
    {
      m_watch.failed(e);
      return SendStatus::CONNECTION_LOST;
    }
    catch (...)
    {
      RTM_LOG_ERROR("transport", "call to a peer failed: " << currentExceptionText());
      return SendStatus::CONNECTION_LOST;
    }
  }
}
