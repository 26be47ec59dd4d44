// What a port tells its component's code while a connection is made or taken down: the
// callbacks set on the port itself and the port-connect listeners of the component. A callback
// or listener that throws is logged and passed over, so user code cannot leave a connection half
// made on this port.
#pragma once

#include <rtm/PortCallback.h>
#include <rtm/PortConnectListener.h>

#include <mutex>
#include <string>

namespace rtm
{
  class ConnectEvents
  {
  public:
    enum Callback
    {
      OnPublishInterfaces,
      OnSubscribeInterfaces,
      OnConnected,
      OnUnsubscribeInterfaces,
      OnDisconnected,
      OnConnectionLost,
      CallbackCount
    };

    void setCallback(Callback which, RTC::ConnectionCallback* callback);
    void setListeners(RTC::PortConnectListeners* listeners);

    void call(Callback which, RTC::ConnectorProfile& profile);
    void notify(RTC::PortConnectListenerType type, const std::string& portName, RTC::ConnectorProfile& profile);
    void notify(RTC::PortConnectRetListenerType type, const std::string& portName, RTC::ConnectorProfile& profile,
                RTC::ReturnCode_t ret);

  private:
    std::mutex m_mutex;  // guards the pointers, not the calls
    RTC::ConnectionCallback* m_callbacks[CallbackCount] = {};
    RTC::PortConnectListeners* m_listeners = nullptr;
  };
}
