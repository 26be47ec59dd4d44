#include <rtm/PortConnectListener.h>

#include <algorithm>

namespace RTC
{
  namespace
  {
    // Deletes the listeners the holder owns; the holder's lock is not needed any more.
    template <class Listener>
    void deleteOwnedListeners(std::vector<std::pair<Listener*, bool>>& listeners)
    {
      for (auto& entry : listeners)
        if (entry.second)
          delete entry.first;
      listeners.clear();
    }

    template <class Listener>
    void removeListenerFrom(std::vector<std::pair<Listener*, bool>>& listeners, Listener* listener)
    {
      auto found =
        std::find_if(listeners.begin(), listeners.end(),
                     [listener](const std::pair<Listener*, bool>& entry) { return entry.first == listener; });
      if (found == listeners.end())
        return;
      const bool owned = found->second;
      listeners.erase(found);
      if (owned)
        delete listener;
    }
  }

  const char* PortConnectListener::toString(PortConnectListenerType type)
  {
    static const char* const names[] = {"ON_NOTIFY_CONNECT", "ON_NOTIFY_DISCONNECT", "ON_UNSUBSCRIBE_INTERFACES"};
    return type >= 0 && type < PORT_CONNECT_LISTENER_NUM ? names[type] : "";
  }

  PortConnectListener::~PortConnectListener() = default;

  const char* PortConnectRetListener::toString(PortConnectRetListenerType type)
  {
    static const char* const names[] = {"ON_PUBLISH_INTERFACES", "ON_CONNECT_NEXTPORT", "ON_SUBSCRIBE_INTERFACES",
                                        "ON_CONNECTED",          "ON_DISCONNECT_NEXT",  "ON_DISCONNECTED"};
    return type >= 0 && type < PORT_CONNECT_RET_LISTENER_NUM ? names[type] : "";
  }

  PortConnectRetListener::~PortConnectRetListener() = default;

  PortConnectListenerHolder::PortConnectListenerHolder() = default;

  PortConnectListenerHolder::~PortConnectListenerHolder() { deleteOwnedListeners(m_listeners); }

  void PortConnectListenerHolder::addListener(PortConnectListener* listener, bool autoclean)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listeners.emplace_back(listener, autoclean);
  }

  void PortConnectListenerHolder::removeListener(PortConnectListener* listener)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    removeListenerFrom(m_listeners, listener);
  }

  void PortConnectListenerHolder::notify(const char* portname, RTC::ConnectorProfile& profile)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& entry : m_listeners)
      (*entry.first)(portname, profile);
  }

  PortConnectRetListenerHolder::PortConnectRetListenerHolder() = default;

  PortConnectRetListenerHolder::~PortConnectRetListenerHolder() { deleteOwnedListeners(m_listeners); }

  void PortConnectRetListenerHolder::addListener(PortConnectRetListener* listener, bool autoclean)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listeners.emplace_back(listener, autoclean);
  }

  void PortConnectRetListenerHolder::removeListener(PortConnectRetListener* listener)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    removeListenerFrom(m_listeners, listener);
  }

  void PortConnectRetListenerHolder::notify(const char* portname, RTC::ConnectorProfile& profile, ReturnCode_t ret)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& entry : m_listeners)
      (*entry.first)(portname, profile, ret);
  }
}
