#include <rtm/ConfigurationListener.h>

#include <algorithm>

namespace RTC
{
  namespace
  {
    // The three holders differ only in their listener type; these keep one copy of the logic.
    template <class Entries, class Listener>
    void addConfigListenerEntry(Entries& entries, std::mutex& mutex, Listener* listener, bool autoclean)
    {
      if (listener == nullptr)
        return;
      std::lock_guard<std::mutex> lock(mutex);
      entries.push_back(std::make_pair(listener, autoclean));
    }

    template <class Entries, class Listener>
    void removeConfigListenerEntry(Entries& entries, std::mutex& mutex, Listener* listener)
    {
      bool owned = false;
      {
        std::lock_guard<std::mutex> lock(mutex);
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [listener](const typename Entries::value_type& e) { return e.first == listener; });
        if (found == entries.end())
          return;
        owned = found->second;
        entries.erase(found);
      }
      // Deleted outside the lock: a listener's destructor may well use the holder.
      if (owned)
        delete listener;
    }

    template <class Entries>
    void deleteOwnedConfigListeners(Entries& entries)
    {
      for (auto& entry : entries)
        if (entry.second)
          delete entry.first;
      entries.clear();
    }
  }

  const char* ConfigurationParamListener::toString(ConfigurationParamListenerType type)
  {
    return type == ON_UPDATE_CONFIG_PARAM ? "ON_UPDATE_CONFIG_PARAM" : "";
  }
  ConfigurationParamListener::~ConfigurationParamListener() = default;

  const char* ConfigurationSetListener::toString(ConfigurationSetListenerType type)
  {
    static const char* const names[] = {"ON_SET_CONFIG_SET", "ON_ADD_CONFIG_SET"};
    return type >= 0 && type < CONFIG_SET_LISTENER_NUM ? names[type] : "";
  }
  ConfigurationSetListener::~ConfigurationSetListener() = default;

  const char* ConfigurationSetNameListener::toString(ConfigurationSetNameListenerType type)
  {
    static const char* const names[] = {"ON_UPDATE_CONFIG_SET", "ON_REMOVE_CONFIG_SET", "ON_ACTIVATE_CONFIG_SET"};
    return type >= 0 && type < CONFIG_SET_NAME_LISTENER_NUM ? names[type] : "";
  }
  ConfigurationSetNameListener::~ConfigurationSetNameListener() = default;

  ConfigurationParamListenerHolder::ConfigurationParamListenerHolder() = default;
  ConfigurationParamListenerHolder::~ConfigurationParamListenerHolder() { deleteOwnedConfigListeners(m_listeners); }
  void ConfigurationParamListenerHolder::addListener(ConfigurationParamListener* listener, bool autoclean)
  {
    addConfigListenerEntry(m_listeners, m_mutex, listener, autoclean);
  }
  void ConfigurationParamListenerHolder::removeListener(ConfigurationParamListener* listener)
  {
    removeConfigListenerEntry(m_listeners, m_mutex, listener);
  }
  void ConfigurationParamListenerHolder::notify(const char* config_set_name, const char* config_param_name)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& entry : m_listeners)
      (*entry.first)(config_set_name, config_param_name);
  }

  ConfigurationSetListenerHolder::ConfigurationSetListenerHolder() = default;
  ConfigurationSetListenerHolder::~ConfigurationSetListenerHolder() { deleteOwnedConfigListeners(m_listeners); }
  void ConfigurationSetListenerHolder::addListener(ConfigurationSetListener* listener, bool autoclean)
  {
    addConfigListenerEntry(m_listeners, m_mutex, listener, autoclean);
  }
  void ConfigurationSetListenerHolder::removeListener(ConfigurationSetListener* listener)
  {
    removeConfigListenerEntry(m_listeners, m_mutex, listener);
  }
  void ConfigurationSetListenerHolder::notify(const coil::Properties& config_set)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& entry : m_listeners)
      (*entry.first)(config_set);
  }

  ConfigurationSetNameListenerHolder::ConfigurationSetNameListenerHolder() = default;
  ConfigurationSetNameListenerHolder::~ConfigurationSetNameListenerHolder() { deleteOwnedConfigListeners(m_listeners); }
  void ConfigurationSetNameListenerHolder::addListener(ConfigurationSetNameListener* listener, bool autoclean)
  {
    addConfigListenerEntry(m_listeners, m_mutex, listener, autoclean);
  }
  void ConfigurationSetNameListenerHolder::removeListener(ConfigurationSetNameListener* listener)
  {
    removeConfigListenerEntry(m_listeners, m_mutex, listener);
  }
  void ConfigurationSetNameListenerHolder::notify(const char* config_set_name)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& entry : m_listeners)
      (*entry.first)(config_set_name);
  }
}
