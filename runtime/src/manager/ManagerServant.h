// The manager as a CORBA object (RTM::Manager): what tools and other managers call to list, load
// into, create in and shut down this manager. Each operation delegates to ManagerCore or to
// ManagerPeers; nothing thrown inside reaches the caller.
#pragma once

#include <rtm/idl/ManagerSkel.h>

namespace rtm
{
  class ManagerCore;
  class ManagerPeers;

  class ManagerServant : public virtual POA_RTM::Manager
  {
  public:
    ManagerServant(ManagerCore& core, ManagerPeers& peers);

    RTC::ReturnCode_t load_module(const char* pathname, const char* initfunc) override;
    RTC::ReturnCode_t unload_module(const char* pathname) override;
    RTM::ModuleProfileList* get_loadable_modules() override;
    RTM::ModuleProfileList* get_loaded_modules() override;
    RTM::ModuleProfileList* get_factory_profiles() override;
    RTC::RTObject_ptr create_component(const char* module_name) override;
    RTC::ReturnCode_t delete_component(const char* instance_name) override;
    RTC::RTCList* get_components() override;
    RTC::ComponentProfileList* get_component_profiles() override;
    RTM::ManagerProfile* get_profile() override;
    RTM::NVList* get_configuration() override;
    RTC::ReturnCode_t set_configuration(const char* name, const char* value) override;
    CORBA::Boolean is_master() override;
    RTM::ManagerList* get_master_managers() override;
    RTC::ReturnCode_t add_master_manager(RTM::Manager_ptr mgr) override;
    RTC::ReturnCode_t remove_master_manager(RTM::Manager_ptr mgr) override;
    RTM::ManagerList* get_slave_managers() override;
    RTC::ReturnCode_t add_slave_manager(RTM::Manager_ptr mgr) override;
    RTC::ReturnCode_t remove_slave_manager(RTM::Manager_ptr mgr) override;
    RTC::ReturnCode_t fork() override;
    RTC::ReturnCode_t shutdown() override;
    RTC::ReturnCode_t restart() override;
    CORBA::Object_ptr get_service(const char* name) override;

  private:
    ManagerCore& m_core;
    ManagerPeers& m_peers;
  };
}
