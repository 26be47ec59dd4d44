#include "sdo/SdoConfiguration.h"

#include "sdo/NVUtil.h"

namespace rtm
{
  namespace
  {
    SDOPackage::InvalidParameter invalid(const char* what) { return SDOPackage::InvalidParameter(what); }

    // A configuration set's id as a caller gave it; none, or an empty one, is refused.
    std::string givenSetId(const char* id)
    {
      if (id == nullptr || *id == '\0')
        throw invalid("empty configuration set id");
      return id;
    }
  }

  SdoConfiguration::SdoConfiguration(PortableServer::POA_ptr poa, coil::Properties& properties, RTC::ConfigAdmin& sets,
                                     ComponentObservers& observers)
    : m_poa(PortableServer::POA::_duplicate(poa)), m_properties(properties), m_sets(sets), m_observers(observers)
  {
    PortableServer::ObjectId_var oid = m_poa->activate_object(this);
    CORBA::Object_var obj = m_poa->id_to_reference(oid.in());
    m_objref = SDOPackage::Configuration::_narrow(obj.in());
  }

  SDOPackage::Configuration_ptr SdoConfiguration::getObjRef()
  {
    return SDOPackage::Configuration::_duplicate(m_objref.in());
  }

  void SdoConfiguration::deactivate()
  {
    try
    {
      PortableServer::ObjectId_var oid = m_poa->servant_to_id(this);
      m_poa->deactivate_object(oid.in());
    }
    catch (...)
    {
      // Already deactivated.
    }
  }

  CORBA::Boolean SdoConfiguration::set_device_profile(const SDOPackage::DeviceProfile& dProfile)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_deviceProfile = dProfile;
    return true;
  }

  // Observers are the one kind of SDO service consumer built in: anything else answers false, as
  // the middleware does for a consumer type it does not have.
  CORBA::Boolean SdoConfiguration::add_service_profile(const SDOPackage::ServiceProfile& sProfile)
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (!ComponentObservers::enabledBy(m_properties.getProperty("sdo.service.consumer.enabled_service")))
        return false;
    }
    return m_observers.attach(sProfile);
  }

  CORBA::Boolean SdoConfiguration::add_organization(SDOPackage::Organization_ptr) { return true; }

  CORBA::Boolean SdoConfiguration::remove_service_profile(const char* id)
  {
    return m_observers.detach(id != nullptr ? id : "");
  }

  CORBA::Boolean SdoConfiguration::remove_organization(const char*) { return true; }

  SDOPackage::ParameterList* SdoConfiguration::get_configuration_parameters() { return new SDOPackage::ParameterList; }

  SDOPackage::NVList* SdoConfiguration::get_configuration_parameter_values() { return new SDOPackage::NVList; }

  CORBA::Any* SdoConfiguration::get_configuration_parameter_value(const char* name)
  {
    if (name == nullptr || *name == '\0')
      throw invalid("empty parameter name");
    return new CORBA::Any;
  }

  CORBA::Boolean SdoConfiguration::set_configuration_parameter(const char*, const CORBA::Any&) { return true; }

  SDOPackage::ConfigurationSet* SdoConfiguration::toSet(const coil::Properties& node)
  {
    auto* set = new SDOPackage::ConfigurationSet;
    set->id = CORBA::string_dup(node.getName());
    set->description = CORBA::string_dup(node.getProperty("description").c_str());
    appendProperties(set->configuration_data, node);
    return set;
  }

  SDOPackage::ConfigurationSetList* SdoConfiguration::get_configuration_sets()
  {
    auto* list = new SDOPackage::ConfigurationSetList;
    for (const coil::Properties& set : m_sets.copySets())
    {
      SDOPackage::ConfigurationSet_var cs = toSet(set);
      const CORBA::ULong n = list->length();
      list->length(n + 1);
      (*list)[n] = cs.in();
    }
    return list;
  }

  SDOPackage::ConfigurationSet* SdoConfiguration::get_configuration_set(const char* config_id)
  {
    if (config_id == nullptr || *config_id == '\0')
      throw SDOPackage::InternalError("empty configuration set id");
    coil::Properties set;
    if (!m_sets.copySet(config_id, set))
      throw SDOPackage::InternalError("no such configuration set");
    return toSet(set);
  }

  coil::Properties SdoConfiguration::toProperties(const SDOPackage::ConfigurationSet& cs)
  {
    coil::Properties set(static_cast<const char*>(cs.id));
    set << rtm::toProperties(cs.configuration_data);
    return set;
  }

  void SdoConfiguration::report(ComponentEvent::Kind kind, const std::string& name)
  {
    m_observers.onComponentEvent(ComponentEvent{kind, 0, name});
  }

  CORBA::Boolean SdoConfiguration::set_configuration_set_values(const SDOPackage::ConfigurationSet& cs)
  {
    const std::string id = givenSetId(cs.id);
    bool active = false;
    const coil::Properties values = toProperties(cs);
    const std::vector<std::string> changed = m_sets.mergeValues(values, active);
    m_sets.onSetConfigurationSet(values);
    report(ComponentEvent::SetValuesSet, id);
    // New values in the set in use are new values of the component's parameters.
    if (active && !changed.empty())
    {
      report(ComponentEvent::SetUpdated, id);
      for (const std::string& name : changed)
        report(ComponentEvent::ParameterUpdated, id + "." + name);
    }
    return true;
  }

  SDOPackage::ConfigurationSet* SdoConfiguration::get_active_configuration_set()
  {
    coil::Properties set;
    if (!m_sets.copyActiveSet(set))
      throw SDOPackage::NotAvailable("the configuration changed and no set is active yet");
    return toSet(set);
  }

  CORBA::Boolean SdoConfiguration::add_configuration_set(const SDOPackage::ConfigurationSet& cs)
  {
    const std::string id = givenSetId(cs.id);
    if (!m_sets.addConfigurationSet(toProperties(cs)))
      return false;
    report(ComponentEvent::SetAdded, id);
    return true;
  }

  CORBA::Boolean SdoConfiguration::remove_configuration_set(const char* config_id)
  {
    const std::string id = givenSetId(config_id);
    if (!m_sets.removeConfigurationSet(id.c_str()))
      return false;
    report(ComponentEvent::SetRemoved, id);
    return true;
  }

  CORBA::Boolean SdoConfiguration::activate_configuration_set(const char* config_id)
  {
    const std::string id = givenSetId(config_id);
    if (!m_sets.activateConfigurationSet(id.c_str()))
      throw invalid("no such configuration set");
    report(ComponentEvent::SetActivated, id);
    return true;
  }
}
