// A data-flow component servant that records the lifecycle calls it receives and the contexts that
// attach to it, for tests that need a real object reference (add_component) or a servant to wrap.
#pragma once

#include "RecordingCallbacks.h"

#include <rtm/idl/OpenRTM.hh>

#include <memory>
#include <mutex>

namespace ectest
{

  class FakeDataFlowComponent : public Recording<POA_OpenRTM::DataFlowComponent>
  {
  public:
    explicit FakeDataFlowComponent(std::shared_ptr<CallLog> log) : Recording(std::move(log)) {}

    // attach_context answers with this handle, or raises BAD_OPERATION when told to.
    void setAttachResult(RTC::ExecutionContextHandle_t handle);
    void failAttach();
    RTC::ExecutionContext_ptr attachedContext();  // caller releases; nil before any attach

    RTC::ReturnCode_t on_initialize() override { return RTC::RTC_OK; }
    RTC::ReturnCode_t on_finalize() override { return RTC::RTC_OK; }

    RTC::ReturnCode_t initialize() override { return RTC::RTC_OK; }
    RTC::ReturnCode_t finalize() override { return RTC::RTC_OK; }
    RTC::ReturnCode_t exit() override { return RTC::RTC_OK; }
    CORBA::Boolean is_alive(RTC::ExecutionContext_ptr) override { return true; }
    RTC::ExecutionContextHandle_t attach_context(RTC::ExecutionContext_ptr ec) override;
    RTC::ReturnCode_t detach_context(RTC::ExecutionContextHandle_t h) override
    {
      return m_log->enter("detach_context", h);
    }
    RTC::ExecutionContext_ptr get_context(RTC::ExecutionContextHandle_t) override
    {
      return RTC::ExecutionContext::_nil();
    }
    RTC::ExecutionContextList* get_owned_contexts() override { return new RTC::ExecutionContextList; }
    RTC::ExecutionContextList* get_participating_contexts() override { return new RTC::ExecutionContextList; }
    RTC::ExecutionContextHandle_t get_context_handle(RTC::ExecutionContext_ptr) override { return -1; }

    RTC::ComponentProfile* get_component_profile() override { return new RTC::ComponentProfile; }
    RTC::PortServiceList* get_ports() override { return new RTC::PortServiceList; }

    SDOPackage::OrganizationList* get_owned_organizations() override { return new SDOPackage::OrganizationList; }
    char* get_sdo_id() override { return CORBA::string_dup("fake"); }
    char* get_sdo_type() override { return CORBA::string_dup(""); }
    SDOPackage::DeviceProfile* get_device_profile() override { return new SDOPackage::DeviceProfile; }
    SDOPackage::ServiceProfileList* get_service_profiles() override { return new SDOPackage::ServiceProfileList; }
    SDOPackage::ServiceProfile* get_service_profile(const char*) override { throw SDOPackage::InternalError(""); }
    SDOPackage::SDOService_ptr get_sdo_service(const char*) override { throw SDOPackage::InternalError(""); }
    SDOPackage::Configuration_ptr get_configuration() override { throw SDOPackage::InterfaceNotImplemented(""); }
    SDOPackage::Monitoring_ptr get_monitoring() override { throw SDOPackage::InterfaceNotImplemented(""); }
    SDOPackage::OrganizationList* get_organizations() override { return new SDOPackage::OrganizationList; }
    SDOPackage::NVList* get_status_list() override { return new SDOPackage::NVList; }
    CORBA::Any* get_status(const char*) override { throw SDOPackage::InvalidParameter(""); }

  private:
    std::mutex m_mutex;
    RTC::ExecutionContextHandle_t m_attachResult = 1000;
    bool m_failAttach = false;
    RTC::ExecutionContext_var m_attached;
  };

}  // namespace ectest
