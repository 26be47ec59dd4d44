// A port of a component, served as an RTC::PortService: its profile, its connectors and the
// connection handshake that peers and tools drive (connect, the notify_connect relay through
// every port of the connection, disconnect and its relay).
//
// Data ports derive from it and plug their transport into three steps: publishInterfaces (before
// the relay to the later ports), subscribeInterfaces (after it) and removeConnector (tear down).
// A connection that fails anywhere is left on no port. No lock is held while calling a peer.
#ifndef RTM_PORTBASE_H
#define RTM_PORTBASE_H

#include <rtm/PortCallback.h>
#include <rtm/PortConnectListener.h>
#include <rtm/RTC.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace rtm
{
  class ComponentEventListener;
  class ConnectEvents;
  class DeferredCalls;
}

namespace RTC
{
  class RTObject_impl;

  class PortBase : public virtual POA_RTC::PortService
  {
  public:
    explicit PortBase(const char* name = "");
    virtual ~PortBase();

    // RTC::PortService
    virtual PortProfile* get_port_profile();
    virtual ConnectorProfileList* get_connector_profiles();
    virtual ConnectorProfile* get_connector_profile(const char* connector_id);
    virtual ReturnCode_t connect(ConnectorProfile& connector_profile);
    virtual ReturnCode_t notify_connect(ConnectorProfile& connector_profile);
    virtual ReturnCode_t disconnect(const char* connector_id);
    virtual ReturnCode_t notify_disconnect(const char* connector_id);
    virtual ReturnCode_t disconnect_all();

    // What the owning component calls.
    // The port's own name as given to its constructor ("x1").
    const char* getName() const;
    // Called when the component registers the port: renames the profile to "<instance>.<name>",
    // records the owner and activates the port's servant in the owner's POA.
    virtual void setOwner(RTObject_impl* owner);
    // The port's object reference (borrowed; valid while the port is registered).
    PortService_ptr getPortRef() const;
    // The owner entered or left ACTIVE; publishers that only run while active follow it.
    virtual void activateInterfaces();
    virtual void deactivateInterfaces();
    // Removes the port's servants from the POA; called before the component is destroyed.
    virtual void deactivatePort();

    // The number of connections this port holds now (no dead-peer sweep).
    size_t connectionCount() const;

    // Where the port reports each connection it gains or loses (null: nowhere). The owning
    // component sets it while the port is registered.
    void setEventListener(rtm::ComponentEventListener* listener);

    // The component's code told of the handshake steps of this port, on the thread of the call
    // that drives them (callbacks are not owned; null removes one). OnConnectionLost runs when a
    // connection is dropped because a peer stopped answering.
    void setOnPublishInterfaces(ConnectionCallback* on_publish);
    void setOnSubscribeInterfaces(ConnectionCallback* on_subscribe);
    void setOnConnected(ConnectionCallback* on_connected);
    void setOnUnsubscribeInterfaces(ConnectionCallback* on_unsubscribe);
    void setOnDisconnected(ConnectionCallback* on_disconnected);
    void setOnConnectionLost(ConnectionCallback* on_connection_lost);
    // The owning component's port-connect listeners; set when the port is added to it.
    void setPortConnectListenerHolder(PortConnectListeners* portconn_listeners);

  protected:
    // Steps of notify_connect. publishInterfaces may add properties to the profile; a step that
    // fails must leave nothing of its own behind. removeConnector undoes both steps for an id and
    // must accept ids it does not know.
    virtual ReturnCode_t publishInterfaces(ConnectorProfile& connector_profile);
    virtual ReturnCode_t subscribeInterfaces(const ConnectorProfile& connector_profile);
    virtual void removeConnector(const std::string& connector_id);
    // Called by connect() before anything else, to fill in defaults the port's kind needs.
    virtual void prepareConnect(ConnectorProfile& connector_profile);
    // Called before the profile is copied out, to refresh properties that change over time.
    virtual void refreshProfile();

    // Appends a property to the profile, or replaces the value of an existing one in place.
    void setProfileProperty(const char* name, const CORBA::Any& value);
    void setProfileProperty(const char* name, const char* value);
    // The POA the port serves in (nil before setOwner), for the servants of its connections.
    PortableServer::POA_ptr getPOA() const;
    // How long a call to a peer may take before the peer counts as dead.
    void setPeerCallTimeout(unsigned long milliseconds);
    unsigned long peerCallTimeout() const;
    // Removes connections whose peers no longer exist, on every port that still does.
    void sweepDeadPeers();
    // Removes a connection whose peer failed to answer at once, and tells its other ports later,
    // without waiting for them.
    void dropConnection(const std::string& connector_id);
    // "<instance>.<name>", as the profile names the port; for messages.
    std::string profileName() const;

    std::string m_name;
    RTObject_impl* m_owner;
    PortService_var m_objref;

  private:
    PortBase(const PortBase&);
    PortBase& operator=(const PortBase&);
    bool hasConnector(const std::string& id) const;
    bool findConnector(const std::string& id, ConnectorProfile& out) const;
    void storeConnector(const ConnectorProfile& connector_profile);
    void eraseConnector(const std::string& id);
    CORBA::Long indexOfSelf(const ConnectorProfile& connector_profile) const;
    void undoConnect(const ConnectorProfile& connector_profile);
    // The connection's own "dataport.corba_cdr.call_timeout" if it set one, else the port's.
    unsigned long callTimeoutOf(const ConnectorProfile& profile) const;

    mutable std::mutex m_mutex;  // guards everything below
    std::string m_profileName;
    RTObject_var m_ownerRef;
    PortableServer::POA_var m_poa;
    PortableServer::ObjectId_var m_oid;
    bool m_servantActive;
    NVList m_properties;
    ConnectorProfileList m_connectors;
    unsigned long m_callTimeoutMs;
    std::unique_ptr<rtm::DeferredCalls> m_deferred;  // notifications nobody waits for
    rtm::ComponentEventListener* m_listener;
    std::unique_ptr<rtm::ConnectEvents> m_connectEvents;  // callbacks and port-connect listeners
  };
}

#endif
