// What an execution context calls on a component it drives. The context sees only this
// interface, so it needs no knowledge of the component class and a test can hand it a fake.
#pragma once

#include <rtm/idl/RTC.hh>

namespace rtm
{
  class ComponentCallbacks
  {
  public:
    virtual ~ComponentCallbacks();

    virtual RTC::ReturnCode_t on_startup(RTC::ExecutionContextHandle_t handle) = 0;
    virtual RTC::ReturnCode_t on_shutdown(RTC::ExecutionContextHandle_t handle) = 0;
    virtual RTC::ReturnCode_t on_activated(RTC::ExecutionContextHandle_t handle) = 0;
    virtual RTC::ReturnCode_t on_deactivated(RTC::ExecutionContextHandle_t handle) = 0;
    virtual RTC::ReturnCode_t on_aborting(RTC::ExecutionContextHandle_t handle) = 0;
    virtual RTC::ReturnCode_t on_error(RTC::ExecutionContextHandle_t handle) = 0;
    virtual RTC::ReturnCode_t on_reset(RTC::ExecutionContextHandle_t handle) = 0;
    virtual RTC::ReturnCode_t on_execute(RTC::ExecutionContextHandle_t handle) = 0;
    virtual RTC::ReturnCode_t on_state_update(RTC::ExecutionContextHandle_t handle) = 0;
    virtual RTC::ReturnCode_t on_rate_changed(RTC::ExecutionContextHandle_t handle) = 0;

  protected:
    // A handler that throws (user code, or the ORB on a failed remote call) counts as a handler
    // that failed: nothing may unwind into the execution context's loop or a servant boundary.
    template <class Call>
    static RTC::ReturnCode_t guarded(Call&& call) noexcept
    {
      try
      {
        return call();
      }
      catch (...)
      {
        return RTC::RTC_ERROR;
      }
    }
  };
}
