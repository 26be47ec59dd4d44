// One connection's view of its port's connector listeners: what the transport reports for this
// connection reaches them with this connection's ConnectorInfo and byte order.
#pragma once

#include "port/ConnectorListeners.h"
#include "transport/DataEvents.h"

#include <rtm/RTC.h>
#include <rtm/ConnectorBase.h>

#include <memory>

namespace rtm
{
  class ConnectorEvents : public DataEvents
  {
  public:
    ConnectorEvents(RTC::ConnectorInfo info, ByteOrder order, std::shared_ptr<ConnectorListeners> listeners);

    // The port's ConnectorInfo of a connection: its profile, and `options` (the port's overlaid
    // by the connection's) as its properties; the ports as stringified references.
    static RTC::ConnectorInfo describe(const RTC::ConnectorProfile& profile, const coil::Properties& options,
                                       CORBA::ORB_ptr orb);

    void data(RTC::ConnectorDataListenerType type, const CORBA::Octet* octets, std::size_t length) noexcept override;
    void plain(RTC::ConnectorListenerType type) noexcept override;

    const RTC::ConnectorInfo& info() const { return m_info; }
    ByteOrder order() const { return m_order; }

  private:
    const RTC::ConnectorInfo m_info;
    const ByteOrder m_order;
    const std::shared_ptr<ConnectorListeners> m_listeners;
  };
}
