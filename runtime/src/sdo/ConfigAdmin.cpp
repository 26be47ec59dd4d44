#include <rtm/ConfigAdmin.h>

#include "log/Logger.h"
#include "log/Warning.h"

#include <algorithm>
#include <iostream>

namespace RTC
{
  namespace
  {
    const char* const kDefaultSetId = "default";

    // The older single-callback setters still work, but say once per call what replaces them.
    void warnObsoleteConfigSetter(const char* setter, const char* replacement)
    {
      std::cerr << "ConfigAdmin::" << setter << " is obsolete; use " << replacement << " instead" << std::endl;
    }
  }

  ConfigAdmin::ConfigAdmin(coil::Properties& prop)
    : m_configsets(prop), m_activeId(kDefaultSetId), m_active(true), m_changed(false)
  {}

  ConfigAdmin::~ConfigAdmin()
  {
    for (ConfigBase* param : m_params)
      delete param;
  }

  bool ConfigAdmin::addParameter(ConfigBase* param)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const ConfigBase* bound : m_params)
      if (std::string(bound->name) == param->name)
      {
        delete param;
        return false;
      }
    m_params.push_back(param);
    return true;
  }

  std::string ConfigAdmin::componentName()
  {
    const coil::Properties* component = m_configsets.getRoot();
    const std::string name = component != nullptr ? component->getProperty("instance_name") : std::string();
    return name.empty() ? std::string("a component") : name;
  }

  bool ConfigAdmin::apply(ConfigBase& param, const std::string& config_set, const std::string& value)
  {
    bool converted = false;
    // A converter of the component's own may throw; that is a value it could not take, and it must
    // not end the execution context's thread.
    try
    {
      converted = param.update(value.c_str());
    }
    catch (...)
    {}
    const std::string refusal = converted ? std::string() : config_set + '\n' + value;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      std::string& last = m_refused[param.name];
      if (last == refusal)
        return converted;
      last = refusal;
    }
    if (converted)
      return true;
    std::string message = componentName() + ": configuration set '" + config_set + "': parameter '" + param.name +
                          "' cannot take the value '" + value +
                          "'; it keeps its previous value (give a value of the parameter's type)";
    RTM_LOG_WARN("config", message);
    // One line for the person running it, not two when the log already goes to the terminal.
    if (!rtm::logger().writesTo(stderr, rtm::LogLevel::Warn))
      rtm::warn(message);
    return false;
  }

  void ConfigAdmin::update()
  {
    std::string active;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (!m_changed || !m_active)
        return;
      m_changed = false;
      active = m_activeId;
    }
    update(active.c_str());
  }

  void ConfigAdmin::update(const char* config_set)
  {
    if (config_set == nullptr)
      return;
    // The values are taken under the lock and converted after it, so that a tool's call never
    // waits for a component's converters, nor a converter for a tool.
    std::vector<std::pair<ConfigBase*, std::string>> values;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      const coil::Properties* set = m_configsets.findNode(config_set);
      if (set == nullptr)
        return;
      for (ConfigBase* param : m_params)
        if (set->findNode(param->name) != nullptr)
          values.push_back(std::make_pair(param, set->getProperty(param->name)));
    }
    for (auto& value : values)
    {
      apply(*value.first, config_set, value.second);
      onUpdate(config_set);
    }
  }

  void ConfigAdmin::update(const char* config_set, const char* config_param)
  {
    if (config_set == nullptr || config_param == nullptr)
      return;
    ConfigBase* param = nullptr;
    std::string value;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      const coil::Properties* set = m_configsets.findNode(config_set);
      if (set == nullptr || set->findNode(config_param) == nullptr)
        return;
      for (ConfigBase* bound : m_params)
        if (std::string(bound->name) == config_param)
          param = bound;
      if (param == nullptr)
        return;
      value = set->getProperty(config_param);
    }
    apply(*param, config_set, value);
    onUpdateParam(config_set, config_param);
  }

  bool ConfigAdmin::isExist(const char* name)
  {
    if (name == nullptr)
      return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const ConfigBase* param : m_params)
      if (std::string(param->name) == name)
        return true;
    return false;
  }

  bool ConfigAdmin::isChanged()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_changed;
  }

  const char* ConfigAdmin::getActiveId()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_activeId.c_str();
  }

  bool ConfigAdmin::haveConfig(const char* config_id)
  {
    if (config_id == nullptr)
      return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_configsets.findNode(config_id) != nullptr;
  }

  bool ConfigAdmin::isActive()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_active;
  }

  const std::vector<coil::Properties*>& ConfigAdmin::getConfigurationSets() { return m_configsets.getLeaf(); }

  const coil::Properties& ConfigAdmin::getConfigurationSet(const char* config_id)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const coil::Properties* set = config_id != nullptr ? m_configsets.findNode(config_id) : nullptr;
    return set != nullptr ? *set : m_emptyconf;
  }

  bool ConfigAdmin::setConfigurationSetValues(const coil::Properties& config_set)
  {
    bool wasActive = false;
    if (*config_set.getName() == '\0')
      return false;
    mergeValues(config_set, wasActive);
    onSetConfigurationSet(config_set);
    return true;
  }

  std::vector<std::string> ConfigAdmin::mergeValues(const coil::Properties& config_set, bool& wasActive)
  {
    std::vector<std::string> changed;
    std::lock_guard<std::mutex> lock(m_mutex);
    coil::Properties& set = m_configsets.getNode(config_set.getName());
    for (const std::string& key : config_set.propertyNames())
      if (set.findNode(key) == nullptr || set.getProperty(key) != config_set.getProperty(key))
        changed.push_back(key);
    set << config_set;
    wasActive = m_activeId == config_set.getName();
    m_changed = true;
    m_active = false;
    return changed;
  }

  const coil::Properties& ConfigAdmin::getActiveConfigurationSet()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const coil::Properties* set = m_configsets.findNode(m_activeId);
    return set != nullptr ? *set : m_emptyconf;
  }

  bool ConfigAdmin::addConfigurationSet(const coil::Properties& configuration_set)
  {
    const std::string id = configuration_set.getName();
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (id.empty() || m_configsets.findNode(id) != nullptr)
        return false;
      m_configsets.getNode(id) << configuration_set;
      m_newConfig.push_back(id);
      m_changed = true;
      m_active = false;
    }
    onAddConfigurationSet(configuration_set);
    return true;
  }

  bool ConfigAdmin::removeConfigurationSet(const char* config_id)
  {
    if (config_id == nullptr)
      return false;
    const std::string id = config_id;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto added = std::find(m_newConfig.begin(), m_newConfig.end(), id);
      if (id == kDefaultSetId || id == m_activeId || added == m_newConfig.end())
        return false;
      delete m_configsets.removeNode(config_id);
      m_newConfig.erase(added);
      m_changed = true;
      m_active = false;
    }
    onRemoveConfigurationSet(config_id);
    return true;
  }

  bool ConfigAdmin::activateConfigurationSet(const char* config_id)
  {
    if (config_id == nullptr || config_id[0] == '_')
      return false;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_configsets.findNode(config_id) == nullptr)
        return false;
      m_activeId = config_id;
      m_active = true;
      m_changed = true;
    }
    onActivateSet(config_id);
    return true;
  }

  std::vector<coil::Properties> ConfigAdmin::copySets()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<coil::Properties> sets;
    for (const coil::Properties* set : m_configsets.getLeaf())
      sets.push_back(*set);
    return sets;
  }

  bool ConfigAdmin::copySet(const std::string& config_id, coil::Properties& out)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const coil::Properties* set = m_configsets.findNode(config_id);
    if (set == nullptr)
      return false;
    out = *set;
    return true;
  }

  bool ConfigAdmin::copyActiveSet(coil::Properties& out)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_active)
      return false;
    // The active set is listed even while it holds nothing.
    out = m_configsets.getNode(m_activeId);
    return true;
  }

  void ConfigAdmin::setOnUpdate(ConfigurationSetNameListener* cb)
  {
    warnObsoleteConfigSetter("setOnUpdate", "addConfigurationSetNameListener(ON_UPDATE_CONFIG_SET, ...)");
    addConfigurationSetNameListener(ON_UPDATE_CONFIG_SET, cb, false);
  }

  void ConfigAdmin::setOnUpdateParam(ConfigurationParamListener* cb)
  {
    warnObsoleteConfigSetter("setOnUpdateParam", "addConfigurationParamListener(ON_UPDATE_CONFIG_PARAM, ...)");
    addConfigurationParamListener(ON_UPDATE_CONFIG_PARAM, cb, false);
  }

  void ConfigAdmin::setOnSetConfigurationSet(ConfigurationSetListener* cb)
  {
    warnObsoleteConfigSetter("setOnSetConfigurationSet", "addConfigurationSetListener(ON_SET_CONFIG_SET, ...)");
    addConfigurationSetListener(ON_SET_CONFIG_SET, cb, false);
  }

  void ConfigAdmin::setOnAddConfigurationSet(ConfigurationSetListener* cb)
  {
    warnObsoleteConfigSetter("setOnAddConfigurationSet", "addConfigurationSetListener(ON_ADD_CONFIG_SET, ...)");
    addConfigurationSetListener(ON_ADD_CONFIG_SET, cb, false);
  }

  void ConfigAdmin::setOnRemoveConfigurationSet(ConfigurationSetNameListener* cb)
  {
    warnObsoleteConfigSetter("setOnRemoveConfigurationSet",
                             "addConfigurationSetNameListener(ON_REMOVE_CONFIG_SET, ...)");
    addConfigurationSetNameListener(ON_REMOVE_CONFIG_SET, cb, false);
  }

  void ConfigAdmin::setOnActivateSet(ConfigurationSetNameListener* cb)
  {
    warnObsoleteConfigSetter("setOnActivateSet", "addConfigurationSetNameListener(ON_ACTIVATE_CONFIG_SET, ...)");
    addConfigurationSetNameListener(ON_ACTIVATE_CONFIG_SET, cb, false);
  }

  void ConfigAdmin::addConfigurationParamListener(ConfigurationParamListenerType type,
                                                  ConfigurationParamListener* listener, bool autoclean)
  {
    if (type >= 0 && type < CONFIG_PARAM_LISTENER_NUM)
      m_listeners.configparam_[type].addListener(listener, autoclean);
  }

  void ConfigAdmin::removeConfigurationParamListener(ConfigurationParamListenerType type,
                                                     ConfigurationParamListener* listener)
  {
    if (type >= 0 && type < CONFIG_PARAM_LISTENER_NUM)
      m_listeners.configparam_[type].removeListener(listener);
  }

  void ConfigAdmin::addConfigurationSetListener(ConfigurationSetListenerType type, ConfigurationSetListener* listener,
                                                bool autoclean)
  {
    if (type >= 0 && type < CONFIG_SET_LISTENER_NUM)
      m_listeners.configset_[type].addListener(listener, autoclean);
  }

  void ConfigAdmin::removeConfigurationSetListener(ConfigurationSetListenerType type,
                                                   ConfigurationSetListener* listener)
  {
    if (type >= 0 && type < CONFIG_SET_LISTENER_NUM)
      m_listeners.configset_[type].removeListener(listener);
  }

  void ConfigAdmin::addConfigurationSetNameListener(ConfigurationSetNameListenerType type,
                                                    ConfigurationSetNameListener* listener, bool autoclean)
  {
    if (type >= 0 && type < CONFIG_SET_NAME_LISTENER_NUM)
      m_listeners.configsetname_[type].addListener(listener, autoclean);
  }

  void ConfigAdmin::removeConfigurationSetNameListener(ConfigurationSetNameListenerType type,
                                                       ConfigurationSetNameListener* listener)
  {
    if (type >= 0 && type < CONFIG_SET_NAME_LISTENER_NUM)
      m_listeners.configsetname_[type].removeListener(listener);
  }

  // Listeners run outside the sets' lock, so that one may read the sets back.
  void ConfigAdmin::onUpdate(const char* config_set)
  {
    m_listeners.configsetname_[ON_UPDATE_CONFIG_SET].notify(config_set);
  }

  void ConfigAdmin::onUpdateParam(const char* config_set, const char* config_param)
  {
    m_listeners.configparam_[ON_UPDATE_CONFIG_PARAM].notify(config_set, config_param);
  }

  void ConfigAdmin::onSetConfigurationSet(const coil::Properties& config_set)
  {
    m_listeners.configset_[ON_SET_CONFIG_SET].notify(config_set);
  }

  void ConfigAdmin::onAddConfigurationSet(const coil::Properties& config_set)
  {
    m_listeners.configset_[ON_ADD_CONFIG_SET].notify(config_set);
  }

  void ConfigAdmin::onRemoveConfigurationSet(const char* config_id)
  {
    m_listeners.configsetname_[ON_REMOVE_CONFIG_SET].notify(config_id);
  }

  void ConfigAdmin::onActivateSet(const char* config_id)
  {
    m_listeners.configsetname_[ON_ACTIVATE_CONFIG_SET].notify(config_id);
  }
}
