// Drives a component through its object reference: one added with add_component, possibly in
// another process. A failed call (dead peer, timeout, unknown object) reads as RTC_ERROR, which
// sends the component to ERROR instead of stopping the loop.
#pragma once

#include "ec/ComponentCallbacks.h"

#include <rtm/idl/OpenRTM.hh>

namespace rtm
{
  class RemoteCallbacks : public ComponentCallbacks
  {
  public:
    // Keeps its own duplicate of the reference.
    explicit RemoteCallbacks(OpenRTM::DataFlowComponent_ptr component);

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
    OpenRTM::DataFlowComponent_var m_component;
  };
}
