// The SDO Configuration object of a component: its configuration sets as tools list and edit
// them, and the observers tools attach as service profiles. The sets belong to the component's
// ConfigAdmin: calls here change them under its lock, on the ORB's threads, and the component's
// own thread applies them to its parameters later.
#pragma once

#include "sdo/ComponentObservers.h"

#include <coil/Properties.h>
#include <rtm/ConfigAdmin.h>
#include <rtm/RTC.h>

#include <mutex>
#include <string>
#include <vector>

namespace rtm
{
  class SdoConfiguration : public virtual POA_SDOPackage::Configuration
  {
  public:
    // `properties` is the component's tree and `sets` its configuration sets. Changes to the sets
    // are reported to `observers`, which also keeps the attached service profiles.
    SdoConfiguration(PortableServer::POA_ptr poa, coil::Properties& properties, RTC::ConfigAdmin& sets,
                     ComponentObservers& observers);

    SDOPackage::Configuration_ptr getObjRef();
    void deactivate();

    CORBA::Boolean set_device_profile(const SDOPackage::DeviceProfile& dProfile) override;
    CORBA::Boolean add_service_profile(const SDOPackage::ServiceProfile& sProfile) override;
    CORBA::Boolean add_organization(SDOPackage::Organization_ptr organization_object) override;
    CORBA::Boolean remove_service_profile(const char* id) override;
    CORBA::Boolean remove_organization(const char* organization_id) override;
    SDOPackage::ParameterList* get_configuration_parameters() override;
    SDOPackage::NVList* get_configuration_parameter_values() override;
    CORBA::Any* get_configuration_parameter_value(const char* name) override;
    CORBA::Boolean set_configuration_parameter(const char* name, const CORBA::Any& value) override;
    SDOPackage::ConfigurationSetList* get_configuration_sets() override;
    SDOPackage::ConfigurationSet* get_configuration_set(const char* config_id) override;
    CORBA::Boolean set_configuration_set_values(const SDOPackage::ConfigurationSet& configuration_set) override;
    SDOPackage::ConfigurationSet* get_active_configuration_set() override;
    CORBA::Boolean add_configuration_set(const SDOPackage::ConfigurationSet& configuration_set) override;
    CORBA::Boolean remove_configuration_set(const char* config_id) override;
    CORBA::Boolean activate_configuration_set(const char* config_id) override;

  private:
    SDOPackage::ConfigurationSet* toSet(const coil::Properties& node);
    // The set as the component's configuration holds it: named by its id.
    static coil::Properties toProperties(const SDOPackage::ConfigurationSet& set);
    void report(ComponentEvent::Kind kind, const std::string& name);

    PortableServer::POA_var m_poa;
    SDOPackage::Configuration_var m_objref;
    coil::Properties& m_properties;
    RTC::ConfigAdmin& m_sets;
    ComponentObservers& m_observers;
    std::mutex m_mutex;
    SDOPackage::DeviceProfile m_deviceProfile;
  };
}
