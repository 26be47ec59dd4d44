// The two ways a context reaches a component, one template: `ServantCallbacks` drives a servant
// of this process by plain virtual calls, so the tick path of an owned context never goes through
// the ORB; `RemoteCallbacks` drives one added with add_component, possibly in another process,
// through its object reference. Either way a failed call (a handler that throws, a dead peer, a
// timeout, an unknown object) reads as RTC_ERROR, which sends the component to ERROR instead of
// stopping the loop.
#pragma once

#include "ec/ComponentCallbacks.h"

#include <rtm/idl/OpenRTM.hh>

namespace rtm
{
  template <class Target>
  class ForwardingCallbacks : public ComponentCallbacks
  {
  public:
    // A reference is duplicated and kept; a servant must outlive the context's use of it (its
    // owner destroys the context before the servant goes away).
    template <class Given>
    explicit ForwardingCallbacks(Given target) : m_target(held(target))
    {}

    RTC::ReturnCode_t on_startup(RTC::ExecutionContextHandle_t h) override
    {
      return guarded([&] { return m_target->on_startup(h); });
    }
    RTC::ReturnCode_t on_shutdown(RTC::ExecutionContextHandle_t h) override
    {
      return guarded([&] { return m_target->on_shutdown(h); });
    }
    RTC::ReturnCode_t on_activated(RTC::ExecutionContextHandle_t h) override
    {
      return guarded([&] { return m_target->on_activated(h); });
    }
    RTC::ReturnCode_t on_deactivated(RTC::ExecutionContextHandle_t h) override
    {
      return guarded([&] { return m_target->on_deactivated(h); });
    }
    RTC::ReturnCode_t on_aborting(RTC::ExecutionContextHandle_t h) override
    {
      return guarded([&] { return m_target->on_aborting(h); });
    }
    RTC::ReturnCode_t on_error(RTC::ExecutionContextHandle_t h) override
    {
      return guarded([&] { return m_target->on_error(h); });
    }
    RTC::ReturnCode_t on_reset(RTC::ExecutionContextHandle_t h) override
    {
      return guarded([&] { return m_target->on_reset(h); });
    }
    RTC::ReturnCode_t on_execute(RTC::ExecutionContextHandle_t h) override
    {
      return guarded([&] { return m_target->on_execute(h); });
    }
    RTC::ReturnCode_t on_state_update(RTC::ExecutionContextHandle_t h) override
    {
      return guarded([&] { return m_target->on_state_update(h); });
    }
    RTC::ReturnCode_t on_rate_changed(RTC::ExecutionContextHandle_t h) override
    {
      return guarded([&] { return m_target->on_rate_changed(h); });
    }

  private:
    static OpenRTM::DataFlowComponent_ptr held(OpenRTM::DataFlowComponent_ptr component)
    {
      return OpenRTM::DataFlowComponent::_duplicate(component);
    }
    static POA_OpenRTM::DataFlowComponent* held(POA_OpenRTM::DataFlowComponent* servant) { return servant; }

    Target m_target;
  };

  using ServantCallbacks = ForwardingCallbacks<POA_OpenRTM::DataFlowComponent*>;
  using RemoteCallbacks = ForwardingCallbacks<OpenRTM::DataFlowComponent_var>;
}
