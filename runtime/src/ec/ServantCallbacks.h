// Drives a component servant that lives in this process by plain virtual calls, so the tick path
// of an owned execution context never goes through the ORB.
#pragma once

#include "ec/ComponentCallbacks.h"

#include <rtm/idl/OpenRTM.hh>

namespace rtm
{
  class ServantCallbacks : public ComponentCallbacks
  {
  public:
    // The servant must outlive the execution context's use of it: its owner destroys the
    // context before the servant goes away.
    explicit ServantCallbacks(POA_OpenRTM::DataFlowComponent* servant);

    RTC::ReturnCode_t on_startup(RTC::ExecutionContextHandle_t handle) override;
    RTC::ReturnCode_t on_shutdown(RTC::ExecutionContextHandle_t handle) override;
    RTC::ReturnCode_t on_activated(RTC::ExecutionContextHandle_t handle) override;
    RTC::ReturnCode_t on_deactivated(RTC::ExecutionContextHandle_t handle) override;
    RTC::ReturnCode_t on_aborting(RTC::ExecutionContextHandle_t handle) override;
    RTC::ReturnCode_t on_error(RTC::ExecutionContextHandle_t handle) override;
    RTC::ReturnCode_t on_reset(RTC::ExecutionContextHandle_t handle) override;
    RTC::ReturnCode_t on_execute(RTC::ExecutionContextHandle_t handle) override;
    RTC::ReturnCode_t on_state_update(RTC::ExecutionContextHandle_t handle) override;
    RTC::ReturnCode_t on_rate_changed(RTC::ExecutionContextHandle_t handle) override;

  private:
    POA_OpenRTM::DataFlowComponent* m_servant;
  };
}
