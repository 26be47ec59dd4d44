#include <rtm/PortBase.h>
#include <rtm/RTObject.h>

#include "log/Logger.h"
#include "log/ServantBoundary.h"
#include "port/ConnectEvents.h"
#include "port/ConnectionRequest.h"
#include "port/ConnectorOptions.h"
#include "port/DeferredCalls.h"
#include "port/Uuid.h"
#include "sdo/ComponentEventListener.h"
#include "transport/CallTimeout.h"

#include <algorithm>

namespace RTC
{
  namespace
  {
    // A peer that does not answer a handshake step within this time is taken as failed; long
    // enough for a peer to set up its side, short enough that a hung peer cannot hold a tool.
    const unsigned long kHandshakeTimeoutMs = 10000;

    std::string idOf(const ConnectorProfile& profile) { return std::string(profile.connector_id.in()); }

    bool samePorts(const PortServiceList& a, const PortServiceList& b)
    {
      if (a.length() != b.length())
        return false;
      for (CORBA::ULong i = 0; i < a.length(); ++i)
        if (CORBA::is_nil(a[i]) || !a[i]->_is_equivalent(b[i]))
          return false;
      return true;
    }

    // Tells the first port from `first` on that answers (passing over `skip`) that the connection
    // is gone; that port passes the news on to the rest. A port that does not answer is passed
    // over: the next one may. False if none answered; else `result` holds that port's answer.
    bool relayDisconnect(const ConnectorProfile& profile, CORBA::ULong first, PortService_ptr skip,
                         unsigned long timeoutMs, const std::string& what, ReturnCode_t& result)
    {
      const std::string id = idOf(profile);
      for (CORBA::ULong i = first; i < profile.ports.length(); ++i)
      {
        PortService_ptr port = profile.ports[i];
        bool told = false;
        rtm::peerAnswered("port", what, [&] {
          if (CORBA::is_nil(port) || (!CORBA::is_nil(skip) && port->_is_equivalent(skip)))
            return;
          rtm::limitCallTime(port, timeoutMs);
          result = port->notify_disconnect(id.c_str());
          told = true;
        });
        if (told)
          return true;
      }
      return false;
    }

    // Tells the listener of a change to the connector list once the port's lock is released:
    // listeners may take locks of their own.
    void reportUnlocking(std::unique_lock<std::mutex>& lock, rtm::ComponentEventListener* listener,
                         rtm::ComponentEvent::Kind kind, std::string portName)
    {
      lock.unlock();
      if (listener != nullptr)
        listener->onComponentEvent(rtm::ComponentEvent{kind, 0, std::move(portName)});
    }
  }

  PortBase::PortBase(const char* name)
    : m_name(name != nullptr ? name : ""), m_owner(nullptr), m_profileName(std::string("unknown.") + m_name),
      m_servantActive(false), m_callTimeoutMs(rtm::kDefaultCallTimeoutMs), m_deferred(new rtm::DeferredCalls),
      m_listener(nullptr), m_connectEvents(new rtm::ConnectEvents)
  {}

  PortBase::~PortBase() = default;

  // ---------------------------------------------------------------- profile ----------------

  PortProfile* PortBase::get_port_profile()
  {
    return rtm::guarded(
      "port", profileName() + ": get_port_profile", [] { return new PortProfile; },
      [&] {
        sweepDeadPeers();
        refreshProfile();
        PortProfile_var profile = new PortProfile;
        std::lock_guard<std::mutex> lock(m_mutex);
        profile->name = CORBA::string_dup(m_profileName.c_str());
        profile->interfaces.length(0);
        profile->port_ref = RTC::PortService::_duplicate(m_objref.in());
        profile->connector_profiles = m_connectors;
        profile->owner = RTObject::_duplicate(m_ownerRef.in());
        profile->properties = m_properties;
        return profile._retn();
      });
  }

  ConnectorProfileList* PortBase::get_connector_profiles()
  {
    return rtm::guarded(
      "port", profileName() + ": get_connector_profiles", [] { return new ConnectorProfileList; },
      [&] {
        sweepDeadPeers();
        std::lock_guard<std::mutex> lock(m_mutex);
        return new ConnectorProfileList(m_connectors);
      });
  }

  ConnectorProfile* PortBase::get_connector_profile(const char* connector_id)
  {
    return rtm::guarded(
      "port", profileName() + ": get_connector_profile", [] { return new ConnectorProfile; },
      [&] {
        sweepDeadPeers();
        ConnectorProfile_var profile = new ConnectorProfile;
        findConnector(connector_id != nullptr ? connector_id : "", profile.inout());
        return profile._retn();
      });
  }

  // ---------------------------------------------------------------- handshake --------------

  ReturnCode_t PortBase::connect(ConnectorProfile& connector_profile)
  {
    const auto failed = [&] {
      undoConnect(connector_profile);
      return BAD_PARAMETER;
    };
    return rtm::guarded("port", profileName() + ": connect", failed, [&] {
      prepareConnect(connector_profile);
      if (idOf(connector_profile).empty())
        connector_profile.connector_id = CORBA::string_dup(rtm::generateUuid().c_str());
      else if (hasConnector(idOf(connector_profile)))
        return PRECONDITION_NOT_MET;

      if (connector_profile.ports.length() == 0 || CORBA::is_nil(connector_profile.ports[0]))
        return BAD_PARAMETER;
      PortService_var first = RTC::PortService::_duplicate(connector_profile.ports[0]);
      rtm::limitCallTime(first.in(), std::max(kHandshakeTimeoutMs, peerCallTimeout()));
      const ReturnCode_t result = first->notify_connect(connector_profile);
      if (result != RTC_OK)
        undoConnect(connector_profile);
      return result;
    });
  }

  ReturnCode_t PortBase::notify_connect(ConnectorProfile& connector_profile)
  {
    const std::string id = idOf(connector_profile);
    const auto failed = [&] {
      removeConnector(id);
      return RTC_ERROR;
    };
    return rtm::guarded("port", profileName() + ": notify_connect", failed, [&] {
      const CORBA::Long self = indexOfSelf(connector_profile);
      if (self < 0)
        return BAD_PARAMETER;
      // An id this port already serves belongs to another connection; leave that one alone.
      if (id.empty() || hasConnector(id))
        return PRECONDITION_NOT_MET;

      // The component's code hears of each step; a step that fails ends the handshake here, so
      // the later steps' events do not come and ON_CONNECTED carries the failure.
      const std::string name = profileName();
      const auto refused = [&](ReturnCode_t code) {
        m_connectEvents->notify(ON_CONNECTED, name, connector_profile, code);
        return code;
      };
      m_connectEvents->notify(ON_NOTIFY_CONNECT, name, connector_profile);
      ReturnCode_t result = publishInterfaces(connector_profile);
      m_connectEvents->notify(ON_PUBLISH_INTERFACES, name, connector_profile, result);
      if (result != RTC_OK)
        return refused(result);
      m_connectEvents->call(rtm::ConnectEvents::OnPublishInterfaces, connector_profile);

      const CORBA::ULong next = static_cast<CORBA::ULong>(self) + 1;
      if (next < connector_profile.ports.length())
      {
        PortService_var peer = RTC::PortService::_duplicate(connector_profile.ports[next]);
        // A next port that does not answer refuses the connection as one that says no.
        if (!rtm::peerAnswered("port", profileName() + ": notify_connect to the next port", [&] {
              rtm::limitCallTime(peer.in(), std::max(kHandshakeTimeoutMs, peerCallTimeout()));
              result = CORBA::is_nil(peer) ? BAD_PARAMETER : peer->notify_connect(connector_profile);
            }))
          result = BAD_PARAMETER;
      }
      m_connectEvents->notify(ON_CONNECT_NEXTPORT, name, connector_profile, result);
      // The later ports have cleaned up after themselves; the initiator of connect() makes sure
      // of it for peers that keep a failed connection.
      if (result != RTC_OK)
      {
        removeConnector(id);
        return refused(result);
      }

      m_connectEvents->call(rtm::ConnectEvents::OnSubscribeInterfaces, connector_profile);
      result = subscribeInterfaces(connector_profile);
      m_connectEvents->notify(ON_SUBSCRIBE_INTERFACES, name, connector_profile, result);
      if (result != RTC_OK)
      {
        removeConnector(id);
        if (next < connector_profile.ports.length())
        {
          // Best effort: a later port that is gone has nothing to undo.
          rtm::peerAnswered("port", profileName() + ": notify_disconnect after a failed subscription", [&] {
            PortService_var peer = RTC::PortService::_duplicate(connector_profile.ports[next]);
            rtm::limitCallTime(peer.in(), peerCallTimeout());
            peer->notify_disconnect(id.c_str());
          });
        }
        return refused(result);
      }
      storeConnector(connector_profile);
      m_connectEvents->call(rtm::ConnectEvents::OnConnected, connector_profile);
      m_connectEvents->notify(ON_CONNECTED, name, connector_profile, RTC_OK);
      return RTC_OK;
    });
  }

  ReturnCode_t PortBase::disconnect(const char* connector_id)
  {
    return rtm::guarded(
      "port", profileName() + ": disconnect", [] { return RTC_ERROR; },
      [&] {
        const std::string id = connector_id != nullptr ? connector_id : "";
        ConnectorProfile profile;
        if (!findConnector(id, profile))
          return BAD_PARAMETER;
        if (profile.ports.length() == 0)
        {
          removeConnector(id);
          eraseConnector(id);
          return PRECONDITION_NOT_MET;
        }
        // The relay starts at the first port that still answers, this one included.
        ReturnCode_t result = RTC_ERROR;
        relayDisconnect(profile, 0, RTC::PortService::_nil(), callTimeoutOf(profile),
                        profileName() + ": notify_disconnect", result);
        // If the relay never reached this port (it started after us), drop our side anyway.
        removeConnector(id);
        eraseConnector(id);
        return result;
      });
  }

  ReturnCode_t PortBase::notify_disconnect(const char* connector_id)
  {
    return rtm::guarded(
      "port", profileName() + ": notify_disconnect", [] { return RTC_ERROR; },
      [&] {
        const std::string id = connector_id != nullptr ? connector_id : "";
        ConnectorProfile profile;
        if (!findConnector(id, profile))
          return BAD_PARAMETER;

        const std::string name = profileName();
        m_connectEvents->notify(ON_NOTIFY_DISCONNECT, name, profile);
        ReturnCode_t result = RTC_OK;
        const CORBA::Long self = indexOfSelf(profile);
        const CORBA::ULong next = static_cast<CORBA::ULong>(self) + 1;
        // Later ports none of which answers leave the relay broken: say so.
        if (self >= 0 && next < profile.ports.length() &&
            !relayDisconnect(profile, next, RTC::PortService::_nil(), callTimeoutOf(profile),
                             name + ": notify_disconnect", result))
          result = RTC_ERROR;
        m_connectEvents->notify(ON_DISCONNECT_NEXT, name, profile, result);
        m_connectEvents->call(rtm::ConnectEvents::OnUnsubscribeInterfaces, profile);
        m_connectEvents->notify(ON_UNSUBSCRIBE_INTERFACES, name, profile);
        removeConnector(id);
        m_connectEvents->call(rtm::ConnectEvents::OnDisconnected, profile);
        eraseConnector(id);
        m_connectEvents->notify(ON_DISCONNECTED, name, profile, result);
        return result;
      });
  }

  ReturnCode_t PortBase::disconnect_all()
  {
    return rtm::guarded(
      "port", profileName() + ": disconnect_all", [] { return RTC_ERROR; },
      [&] {
        std::vector<std::string> ids;
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          for (CORBA::ULong i = 0; i < m_connectors.length(); ++i)
            ids.push_back(idOf(m_connectors[i]));
        }
        ReturnCode_t result = RTC_OK;
        for (const std::string& id : ids)
        {
          const ReturnCode_t one = disconnect(id.c_str());
          if (one != RTC_OK)
            result = one;
        }
        return result;
      });
  }

  // The initiating port cleans up after a failed connect on every port of the connection, in
  // case one of them (a peer of the 1.1 middleware) kept it although the handshake failed.
  void PortBase::undoConnect(const ConnectorProfile& connector_profile)
  {
    const std::string id = idOf(connector_profile);
    if (id.empty())
      return;
    for (CORBA::ULong i = 0; i < connector_profile.ports.length(); ++i)
    {
      PortService_var port = RTC::PortService::_duplicate(connector_profile.ports[i]);
      // A port that is gone keeps nothing to undo.
      rtm::peerAnswered("port", profileName() + ": undoing a failed connect", [&] {
        if (CORBA::is_nil(port) || port->_is_equivalent(m_objref.in()))
          return;
        rtm::limitCallTime(port.in(), peerCallTimeout());
        // Only an entry naming the same ports is this connection; an older one that happens to
        // use the same id stays.
        ConnectorProfile_var held = port->get_connector_profile(id.c_str());
        if (std::string(held->connector_id.in()) == id && samePorts(held->ports, connector_profile.ports))
          port->notify_disconnect(id.c_str());
      });
    }
  }

  // ---------------------------------------------------------------- dead peers -------------

  void PortBase::sweepDeadPeers()
  {
    ConnectorProfileList snapshot;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      snapshot = m_connectors;
    }
    for (CORBA::ULong c = 0; c < snapshot.length(); ++c)
    {
      bool dead = false;
      const ConnectorProfile& profile = snapshot[c];
      for (CORBA::ULong i = 0; i < profile.ports.length() && !dead; ++i)
      {
        PortService_ptr port = profile.ports[i];
        // A peer that does not answer counts as gone, as one that says it no longer exists.
        dead = !rtm::peerAnswered("port", profileName() + ": probing a peer", [&] {
          if (!CORBA::is_nil(port) && !port->_is_equivalent(m_objref.in()))
          {
            rtm::limitCallTime(port, callTimeoutOf(profile));
            dead = port->_non_existent();
          }
        }) || dead;
      }
      if (dead)
      {
        RTM_LOG_WARN("port", profileName() << ": a peer of connection '" << profile.connector_id.in()
                                           << "' no longer exists; removing the connection");
        ConnectorProfile lost = profile;
        m_connectEvents->call(rtm::ConnectEvents::OnConnectionLost, lost);
        disconnect(profile.connector_id.in());
      }
    }
  }

  // The connection is removed here at once; the other ports of it are told afterwards, by a
  // thread of the port's own, so that the caller (the thread writing or reading data) never
  // waits for a peer that has just failed to answer.
  void PortBase::dropConnection(const std::string& connector_id)
  {
    ConnectorProfile profile;
    const bool known = findConnector(connector_id, profile);
    removeConnector(connector_id);
    eraseConnector(connector_id);
    if (!known)
      return;
    m_connectEvents->call(rtm::ConnectEvents::OnConnectionLost, profile);
    const unsigned long timeoutMs = callTimeoutOf(profile);
    PortService_var self;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      self = m_objref;
    }
    m_deferred->post([profile, self, timeoutMs]() {
      // As disconnect(): the first other port that answers passes the news on to the rest.
      ReturnCode_t ignored = RTC_OK;
      relayDisconnect(profile, 0, self.in(), timeoutMs, "notify_disconnect of a dropped connection", ignored);
    });
  }

  unsigned long PortBase::callTimeoutOf(const ConnectorProfile& profile) const
  {
    std::string seconds;
    if (!rtm::findString(profile.properties, "dataport.corba_cdr.call_timeout", seconds))
      return peerCallTimeout();
    coil::Properties option;
    option.setProperty(rtm::kCallTimeoutOption, seconds);
    return rtm::secondsOption(option, rtm::kCallTimeoutOption, peerCallTimeout());
  }

  // ---------------------------------------------------------------- owner ------------------

  const char* PortBase::getName() const { return m_name.c_str(); }

  void PortBase::setOwner(RTObject_impl* owner)
  {
    if (owner == nullptr)
      return;
    PortableServer::POA_var poa = PortableServer::POA::_duplicate(owner->getPOA());
    RTObject_var ownerRef = RTObject::_duplicate(owner->getObjRef());
    const std::string profileName = std::string(owner->getInstanceName()) + "." + m_name;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_servantActive)
    {
      if (CORBA::is_nil(m_objref))
      {
        m_oid = poa->activate_object(this);
        CORBA::Object_var obj = poa->id_to_reference(m_oid.in());
        m_objref = RTC::PortService::_narrow(obj.in());
      }
      else
      {
        // Registered again after removal: same object id, so references peers hold stay valid.
        poa->activate_object_with_id(m_oid.in(), this);
      }
      m_poa = poa;
      m_servantActive = true;
    }
    m_owner = owner;
    m_ownerRef = ownerRef;
    m_profileName = profileName;
  }

  PortService_ptr PortBase::getPortRef() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_objref.in();
  }

  void PortBase::activateInterfaces() {}

  void PortBase::deactivateInterfaces() {}

  void PortBase::deactivatePort()
  {
    std::vector<std::string> ids;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      for (CORBA::ULong i = 0; i < m_connectors.length(); ++i)
        ids.push_back(idOf(m_connectors[i]));
    }
    // Connections still held here go without telling the peers: the component is going away.
    for (const std::string& id : ids)
    {
      removeConnector(id);
      eraseConnector(id);
    }
    m_deferred->drain();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_servantActive)
      return;
    m_servantActive = false;
    try
    {
      m_poa->deactivate_object(m_oid.in());
    }
    catch (const CORBA::Exception&)
    {
      // Already deactivated (ObjectNotActive), or the POA is gone with the ORB: the end we want.
    }
  }

  std::string PortBase::profileName() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_profileName;
  }

  size_t PortBase::connectionCount() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connectors.length();
  }

  // ---------------------------------------------------------------- for derived ports -------

  ReturnCode_t PortBase::publishInterfaces(ConnectorProfile&) { return RTC_OK; }

  ReturnCode_t PortBase::subscribeInterfaces(const ConnectorProfile&) { return RTC_OK; }

  void PortBase::removeConnector(const std::string&) {}

  void PortBase::prepareConnect(ConnectorProfile&) {}

  void PortBase::refreshProfile() {}

  void PortBase::setProfileProperty(const char* name, const CORBA::Any& value)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (CORBA::ULong i = 0; i < m_properties.length(); ++i)
    {
      if (std::string(m_properties[i].name.in()) == name)
      {
        m_properties[i].value = value;
        return;
      }
    }
    rtm::appendAny(m_properties, name, value);
  }

  void PortBase::setProfileProperty(const char* name, const char* value)
  {
    CORBA::Any any;
    any <<= value;
    setProfileProperty(name, any);
  }

  PortableServer::POA_ptr PortBase::getPOA() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_poa.in();
  }

  void PortBase::setPeerCallTimeout(unsigned long milliseconds)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_callTimeoutMs = milliseconds;
  }

  unsigned long PortBase::peerCallTimeout() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_callTimeoutMs;
  }

  // ---------------------------------------------------------------- connector list ----------

  bool PortBase::hasConnector(const std::string& id) const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (CORBA::ULong i = 0; i < m_connectors.length(); ++i)
      if (idOf(m_connectors[i]) == id)
        return true;
    return false;
  }

  bool PortBase::findConnector(const std::string& id, ConnectorProfile& out) const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (CORBA::ULong i = 0; i < m_connectors.length(); ++i)
    {
      if (idOf(m_connectors[i]) == id)
      {
        out = m_connectors[i];
        return true;
      }
    }
    return false;
  }

  void PortBase::storeConnector(const ConnectorProfile& connector_profile)
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    const std::string id = idOf(connector_profile);
    for (CORBA::ULong i = 0; i < m_connectors.length(); ++i)
    {
      if (idOf(m_connectors[i]) == id)
      {
        m_connectors[i] = connector_profile;
        return;
      }
    }
    const CORBA::ULong n = m_connectors.length();
    m_connectors.length(n + 1);
    m_connectors[n] = connector_profile;
    reportUnlocking(lock, m_listener, rtm::ComponentEvent::Connected, m_profileName);
  }

  void PortBase::setEventListener(rtm::ComponentEventListener* listener)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listener = listener;
  }

  void PortBase::setOnPublishInterfaces(ConnectionCallback* on_publish)
  {
    m_connectEvents->setCallback(rtm::ConnectEvents::OnPublishInterfaces, on_publish);
  }

  void PortBase::setOnSubscribeInterfaces(ConnectionCallback* on_subscribe)
  {
    m_connectEvents->setCallback(rtm::ConnectEvents::OnSubscribeInterfaces, on_subscribe);
  }

  void PortBase::setOnConnected(ConnectionCallback* on_connected)
  {
    m_connectEvents->setCallback(rtm::ConnectEvents::OnConnected, on_connected);
  }

  void PortBase::setOnUnsubscribeInterfaces(ConnectionCallback* on_unsubscribe)
  {
    m_connectEvents->setCallback(rtm::ConnectEvents::OnUnsubscribeInterfaces, on_unsubscribe);
  }

  void PortBase::setOnDisconnected(ConnectionCallback* on_disconnected)
  {
    m_connectEvents->setCallback(rtm::ConnectEvents::OnDisconnected, on_disconnected);
  }

  void PortBase::setOnConnectionLost(ConnectionCallback* on_connection_lost)
  {
    m_connectEvents->setCallback(rtm::ConnectEvents::OnConnectionLost, on_connection_lost);
  }

  void PortBase::setPortConnectListenerHolder(PortConnectListeners* portconn_listeners)
  {
    m_connectEvents->setListeners(portconn_listeners);
  }

  void PortBase::eraseConnector(const std::string& id)
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    const CORBA::ULong n = m_connectors.length();
    for (CORBA::ULong i = 0; i < n; ++i)
    {
      if (idOf(m_connectors[i]) != id)
        continue;
      for (CORBA::ULong j = i + 1; j < n; ++j)
        m_connectors[j - 1] = m_connectors[j];
      m_connectors.length(n - 1);
      reportUnlocking(lock, m_listener, rtm::ComponentEvent::Disconnected, m_profileName);
      return;
    }
  }

  CORBA::Long PortBase::indexOfSelf(const ConnectorProfile& connector_profile) const
  {
    PortService_var self;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      self = m_objref;
    }
    if (CORBA::is_nil(self))
      return -1;
    for (CORBA::ULong i = 0; i < connector_profile.ports.length(); ++i)
    {
      PortService_ptr port = connector_profile.ports[i];
      if (!CORBA::is_nil(port) && port->_is_equivalent(self.in()))
        return static_cast<CORBA::Long>(i);
    }
    return -1;
  }
}
