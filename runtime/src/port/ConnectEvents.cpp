#include "port/ConnectEvents.h"

#include "log/ServantBoundary.h"

namespace rtm
{
  void ConnectEvents::setCallback(Callback which, RTC::ConnectionCallback* callback)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_callbacks[which] = callback;
  }

  void ConnectEvents::setListeners(RTC::PortConnectListeners* listeners)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listeners = listeners;
  }

  void ConnectEvents::call(Callback which, RTC::ConnectorProfile& profile)
  {
    RTC::ConnectionCallback* callback = nullptr;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      callback = m_callbacks[which];
    }
    if (callback != nullptr)
      guarded(
        "port", "a connection callback of the port", [] {}, [&] { (*callback)(profile); });
  }

  void ConnectEvents::notify(RTC::PortConnectListenerType type, const std::string& portName,
                             RTC::ConnectorProfile& profile)
  {
    RTC::PortConnectListeners* listeners = nullptr;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      listeners = m_listeners;
    }
    if (listeners != nullptr)
      guarded(
        "port", std::string("a port-connect listener of ") + RTC::PortConnectListener::toString(type), [] {},
        [&] { listeners->portconnect_[type].notify(portName.c_str(), profile); });
  }

  void ConnectEvents::notify(RTC::PortConnectRetListenerType type, const std::string& portName,
                             RTC::ConnectorProfile& profile, RTC::ReturnCode_t ret)
  {
    RTC::PortConnectListeners* listeners = nullptr;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      listeners = m_listeners;
    }
    if (listeners != nullptr)
      guarded(
        "port", std::string("a port-connect listener of ") + RTC::PortConnectRetListener::toString(type), [] {},
        [&] { listeners->portconnret_[type].notify(portName.c_str(), profile, ret); });
  }
}
