// A component's configuration sets (its conf.<set>.<param> properties) and the variables bound to
// their parameters. Tools change the sets from ORB threads; the bound variables change only when
// the component's own thread calls update(), so a component never sees a value change under it
// in the middle of a handler. C++11-clean: components include this header.
#ifndef RTM_CONFIGADMIN_H
#define RTM_CONFIGADMIN_H

#include <coil/Properties.h>
#include <coil/stringutil.h>
#include <rtm/ConfigurationListener.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace rtm
{
  class SdoConfiguration;
}

namespace RTC
{
  // One bound parameter: its name and default as the component gave them (stored, not copied).
  class ConfigBase
  {
  public:
    ConfigBase(const char* name_, const char* def_val) : name(name_), default_value(def_val) {}
    virtual ~ConfigBase() = default;
    // Converts `val` into the variable; false if it does not convert.
    virtual bool update(const char* val) = 0;

    const char* name;
    const char* default_value;
  };

  template <typename VarType, typename TransFunc = bool (*)(VarType&, const char*)>
  class Config : public ConfigBase
  {
  public:
    Config(const char* name, VarType& var, const char* def_val, TransFunc trans = coil::stringTo)
      : ConfigBase(name, def_val), m_var(var), m_trans(trans)
    {}
    virtual ~Config() = default;

    // Converted into a copy first, so that a value that does not convert leaves the variable as
    // it was: a half-read value, or the default silently put back, would hide the mistake.
    virtual bool update(const char* val)
    {
      VarType converted(m_var);
      if (!(*m_trans)(converted, val))
        return false;
      m_var = converted;
      return true;
    }

  protected:
    VarType& m_var;
    TransFunc m_trans;
  };

  class ConfigAdmin
  {
  public:
    // `prop` is the component's "conf" node; each child is one set.
    ConfigAdmin(coil::Properties& prop);
    ~ConfigAdmin();

    // Binds `var` to the parameter `param_name` and gives it the converted default at once.
    // False for a missing name or default, a name already bound, or a default that does not
    // convert. `param_name` and `def_val` must outlive the binding.
    template <typename VarType>
    bool bindParameter(const char* param_name, VarType& var, const char* def_val,
                       bool (*trans)(VarType&, const char*) = coil::stringTo)
    {
      if (param_name == nullptr || def_val == nullptr || isExist(param_name))
        return false;
      if (!(*trans)(var, def_val))
        return false;
      return addParameter(new Config<VarType>(param_name, var, def_val, trans));
    }

    // Applies the active set if it changed since the last update and is active.
    void update();
    // Applies every bound parameter that `config_set` holds.
    void update(const char* config_set);
    // Applies one parameter of `config_set`.
    void update(const char* config_set, const char* config_param);

    bool isExist(const char* name);
    bool isChanged();
    const char* getActiveId();
    bool haveConfig(const char* config_id);
    bool isActive();
    const std::vector<coil::Properties*>& getConfigurationSets();
    // The set, or an empty node if there is none.
    const coil::Properties& getConfigurationSet(const char* config_id);
    bool setConfigurationSetValues(const coil::Properties& config_set);
    const coil::Properties& getActiveConfigurationSet();
    bool addConfigurationSet(const coil::Properties& configuration_set);
    // Only sets added at run time, and neither "default" nor the active one.
    bool removeConfigurationSet(const char* config_id);
    // False for a hidden set (its name starts with '_') or one that does not exist.
    bool activateConfigurationSet(const char* config_id);

    // The middleware's older single-callback forms: each adds a listener it does not own.
    void setOnUpdate(ConfigurationSetNameListener* cb);
    void setOnUpdateParam(ConfigurationParamListener* cb);
    void setOnSetConfigurationSet(ConfigurationSetListener* cb);
    void setOnAddConfigurationSet(ConfigurationSetListener* cb);
    void setOnRemoveConfigurationSet(ConfigurationSetNameListener* cb);
    void setOnActivateSet(ConfigurationSetNameListener* cb);

    void addConfigurationParamListener(ConfigurationParamListenerType type, ConfigurationParamListener* listener,
                                       bool autoclean = true);
    void removeConfigurationParamListener(ConfigurationParamListenerType type, ConfigurationParamListener* listener);
    void addConfigurationSetListener(ConfigurationSetListenerType type, ConfigurationSetListener* listener,
                                     bool autoclean = true);
    void removeConfigurationSetListener(ConfigurationSetListenerType type, ConfigurationSetListener* listener);
    void addConfigurationSetNameListener(ConfigurationSetNameListenerType type, ConfigurationSetNameListener* listener,
                                         bool autoclean = true);
    void removeConfigurationSetNameListener(ConfigurationSetNameListenerType type,
                                            ConfigurationSetNameListener* listener);

  protected:
    void onUpdate(const char* config_set);
    void onUpdateParam(const char* config_set, const char* config_param);
    void onSetConfigurationSet(const coil::Properties& config_set);
    void onAddConfigurationSet(const coil::Properties& config_set);
    void onRemoveConfigurationSet(const char* config_id);
    void onActivateSet(const char* config_id);

  private:
    ConfigAdmin(const ConfigAdmin&);
    ConfigAdmin& operator=(const ConfigAdmin&);

    // The SDO configuration object reads and changes the sets from ORB threads through these,
    // which hold the lock for the whole of what they do.
    friend class rtm::SdoConfiguration;
    std::vector<coil::Properties> copySets();
    bool copySet(const std::string& config_id, coil::Properties& out);
    // False when no set is active (values changed since the last activation).
    bool copyActiveSet(coil::Properties& out);
    // Merges the values and returns the names of the parameters whose value changed; `wasActive`
    // says whether the set was the active one.
    std::vector<std::string> mergeValues(const coil::Properties& config_set, bool& wasActive);

    bool addParameter(ConfigBase* param);
    // Converts `value` into `param`; a value that does not convert is reported and changes nothing.
    bool apply(ConfigBase& param, const std::string& config_set, const std::string& value);
    std::string componentName();

    coil::Properties& m_configsets;
    coil::Properties m_emptyconf;
    std::vector<ConfigBase*> m_params;
    std::string m_activeId;
    bool m_active;
    bool m_changed;
    std::vector<std::string> m_newConfig;
    // Per parameter, the set and text last refused: a set holding a bad value is applied again
    // whenever another of its values changes, and its owner has been told once already.
    std::map<std::string, std::string> m_refused;
    ConfigurationListeners m_listeners;
    std::mutex m_mutex;
  };
}

#endif
