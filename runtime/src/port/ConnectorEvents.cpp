#include "port/ConnectorEvents.h"

namespace rtm
{
  ConnectorEvents::ConnectorEvents(RTC::ConnectorInfo info, ByteOrder order,
                                   std::shared_ptr<ConnectorListeners> listeners)
    : m_info(std::move(info)), m_order(order), m_listeners(std::move(listeners))
  {}

  RTC::ConnectorInfo ConnectorEvents::describe(const RTC::ConnectorProfile& profile, const coil::Properties& options,
                                               CORBA::ORB_ptr orb)
  {
    coil::vstring ports;
    for (CORBA::ULong i = 0; i < profile.ports.length(); ++i)
    {
      if (CORBA::is_nil(orb) || CORBA::is_nil(profile.ports[i]))
      {
        ports.push_back("");
        continue;
      }
      CORBA::String_var ior = orb->object_to_string(profile.ports[i]);
      ports.push_back(ior.in());
    }
    return RTC::ConnectorInfo(profile.name.in(), profile.connector_id.in(), ports, options);
  }

  void ConnectorEvents::data(RTC::ConnectorDataListenerType type, const CORBA::Octet* octets,
                             std::size_t length) noexcept
  {
    m_listeners->notifyData(type, m_info, m_order, octets, length);
  }

  void ConnectorEvents::plain(RTC::ConnectorListenerType type) noexcept { m_listeners->notify(type, m_info); }
}
