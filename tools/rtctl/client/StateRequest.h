// One state change asked of a component's execution context, then a bounded wait until the
// context has applied it (it does so at its next tick), so that whoever asked can rely on the
// state once the call returns. Shared by activate/deactivate/reset and the system commands.
#pragma once

#include "client/ComponentRef.h"

#include <rtm/idl/RTC.hh>

#include <cstddef>

namespace rtctl
{
  class StateRequest
  {
  public:
    enum Kind
    {
      kActivate,
      kDeactivate,
      kReset,
    };

    StateRequest(Kind kind, double waitSeconds) : m_kind(kind), m_waitSeconds(waitSeconds) {}

    // Asks execution context `index` (owned first, then participating) and waits. Throws Error
    // naming the component and the context when there is no such context, the context is
    // stopped (nothing is asked then), refuses, or the state is not reached in time.
    void apply(const ComponentRef& component, size_t index) const;

    // The component's state in execution context `index`; Error when it has no such context.
    static RTC::LifeCycleState state(const ComponentRef& component, size_t index);
    // The state the request leads to.
    RTC::LifeCycleState goal() const;

  private:
    static RTC::ExecutionContext_var context(const ComponentRef& component, size_t index);
    RTC::ReturnCode_t send(RTC::ExecutionContext_ptr ec, RTC::RTObject_ptr component) const;
    const char* verb() const;

    Kind m_kind;
    double m_waitSeconds;
  };
}
