// What a component hears of its configuration: a parameter updated from a set, a set's values
// changed or a set added, a set updated, removed or activated. Listeners given with autoclean
// belong to their holder from then on and are deleted when removed or when the holder goes.
// C++11-clean: components include this header.
#ifndef RTM_CONFIGURATIONLISTENER_H
#define RTM_CONFIGURATIONLISTENER_H

#include <coil/Properties.h>

#include <mutex>
#include <utility>
#include <vector>

namespace RTC
{
  enum ConfigurationParamListenerType
  {
    ON_UPDATE_CONFIG_PARAM,
    CONFIG_PARAM_LISTENER_NUM
  };

  class ConfigurationParamListener
  {
  public:
    static const char* toString(ConfigurationParamListenerType type);
    virtual ~ConfigurationParamListener();
    virtual void operator()(const char* config_set_name, const char* config_param_name) = 0;
  };

  enum ConfigurationSetListenerType
  {
    ON_SET_CONFIG_SET,
    ON_ADD_CONFIG_SET,
    CONFIG_SET_LISTENER_NUM
  };

  class ConfigurationSetListener
  {
  public:
    static const char* toString(ConfigurationSetListenerType type);
    virtual ~ConfigurationSetListener();
    virtual void operator()(const coil::Properties& config_set) = 0;
  };

  enum ConfigurationSetNameListenerType
  {
    ON_UPDATE_CONFIG_SET,
    ON_REMOVE_CONFIG_SET,
    ON_ACTIVATE_CONFIG_SET,
    CONFIG_SET_NAME_LISTENER_NUM
  };

  class ConfigurationSetNameListener
  {
  public:
    static const char* toString(ConfigurationSetNameListenerType type);
    virtual ~ConfigurationSetNameListener();
    virtual void operator()(const char* config_set_name) = 0;
  };

  // Listeners of one event, called in the order they were added, under the holder's lock: a
  // listener must not add or remove listeners of the same event.
  class ConfigurationParamListenerHolder
  {
  public:
    ConfigurationParamListenerHolder();
    ~ConfigurationParamListenerHolder();
    void addListener(ConfigurationParamListener* listener, bool autoclean);
    void removeListener(ConfigurationParamListener* listener);
    void notify(const char* config_set_name, const char* config_param_name);

  private:
    ConfigurationParamListenerHolder(const ConfigurationParamListenerHolder&);
    ConfigurationParamListenerHolder& operator=(const ConfigurationParamListenerHolder&);
    std::vector<std::pair<ConfigurationParamListener*, bool>> m_listeners;
    std::mutex m_mutex;
  };

  class ConfigurationSetListenerHolder
  {
  public:
    ConfigurationSetListenerHolder();
    ~ConfigurationSetListenerHolder();
    void addListener(ConfigurationSetListener* listener, bool autoclean);
    void removeListener(ConfigurationSetListener* listener);
    void notify(const coil::Properties& config_set);

  private:
    ConfigurationSetListenerHolder(const ConfigurationSetListenerHolder&);
    ConfigurationSetListenerHolder& operator=(const ConfigurationSetListenerHolder&);
    std::vector<std::pair<ConfigurationSetListener*, bool>> m_listeners;
    std::mutex m_mutex;
  };

  class ConfigurationSetNameListenerHolder
  {
  public:
    ConfigurationSetNameListenerHolder();
    ~ConfigurationSetNameListenerHolder();
    void addListener(ConfigurationSetNameListener* listener, bool autoclean);
    void removeListener(ConfigurationSetNameListener* listener);
    void notify(const char* config_set_name);

  private:
    ConfigurationSetNameListenerHolder(const ConfigurationSetNameListenerHolder&);
    ConfigurationSetNameListenerHolder& operator=(const ConfigurationSetNameListenerHolder&);
    std::vector<std::pair<ConfigurationSetNameListener*, bool>> m_listeners;
    std::mutex m_mutex;
  };

  // One holder for each event, indexed by the event's type.
  class ConfigurationListeners
  {
  public:
    ConfigurationParamListenerHolder configparam_[CONFIG_PARAM_LISTENER_NUM];
    ConfigurationSetListenerHolder configset_[CONFIG_SET_LISTENER_NUM];
    ConfigurationSetNameListenerHolder configsetname_[CONFIG_SET_NAME_LISTENER_NUM];
  };
}

#endif
