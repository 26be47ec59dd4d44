// Listeners a component registers to follow the connection handshake of each of its ports. They
// run on the thread of the peer's notify_connect or notify_disconnect call, in registration order.
#ifndef RTM_PORTCONNECTLISTENER_H
#define RTM_PORTCONNECTLISTENER_H

#include <rtm/RTC.h>
#include <mutex>
#include <utility>
#include <vector>

namespace RTC
{
  enum PortConnectListenerType
  {
    ON_NOTIFY_CONNECT,
    ON_NOTIFY_DISCONNECT,
    ON_UNSUBSCRIBE_INTERFACES,
    PORT_CONNECT_LISTENER_NUM
  };

  class PortConnectListener
  {
  public:
    static const char* toString(PortConnectListenerType type);
    virtual ~PortConnectListener();
    virtual void operator()(const char* portname, RTC::ConnectorProfile& profile) = 0;
  };

  enum PortConnectRetListenerType
  {
    ON_PUBLISH_INTERFACES,
    ON_CONNECT_NEXTPORT,
    ON_SUBSCRIBE_INTERFACES,
    ON_CONNECTED,
    ON_DISCONNECT_NEXT,
    ON_DISCONNECTED,
    PORT_CONNECT_RET_LISTENER_NUM
  };

  class PortConnectRetListener
  {
  public:
    static const char* toString(PortConnectRetListenerType type);
    virtual ~PortConnectRetListener();
    virtual void operator()(const char* portname, RTC::ConnectorProfile& profile, ReturnCode_t ret) = 0;
  };

  // The listeners of one event; an autoclean listener is deleted when removed or with the holder.
  class PortConnectListenerHolder
  {
  public:
    PortConnectListenerHolder();
    ~PortConnectListenerHolder();
    void addListener(PortConnectListener* listener, bool autoclean);
    void removeListener(PortConnectListener* listener);
    void notify(const char* portname, RTC::ConnectorProfile& profile);

  private:
    PortConnectListenerHolder(const PortConnectListenerHolder&);
    PortConnectListenerHolder& operator=(const PortConnectListenerHolder&);
    std::mutex m_mutex;
    std::vector<std::pair<PortConnectListener*, bool>> m_listeners;
  };

  class PortConnectRetListenerHolder
  {
  public:
    PortConnectRetListenerHolder();
    ~PortConnectRetListenerHolder();
    void addListener(PortConnectRetListener* listener, bool autoclean);
    void removeListener(PortConnectRetListener* listener);
    void notify(const char* portname, RTC::ConnectorProfile& profile, ReturnCode_t ret);

  private:
    PortConnectRetListenerHolder(const PortConnectRetListenerHolder&);
    PortConnectRetListenerHolder& operator=(const PortConnectRetListenerHolder&);
    std::mutex m_mutex;
    std::vector<std::pair<PortConnectRetListener*, bool>> m_listeners;
  };

  // One holder per event, shared by every port of a component.
  class PortConnectListeners
  {
  public:
    PortConnectListenerHolder portconnect_[PORT_CONNECT_LISTENER_NUM];
    PortConnectRetListenerHolder portconnret_[PORT_CONNECT_RET_LISTENER_NUM];
  };
}

#endif
