// One component as an execution context sees it: its handle in that context, its reference, how
// to call it, and where it stands in the per-component state machine.
#pragma once

#include "ec/ComponentCallbacks.h"

#include <rtm/idl/RTC.hh>

#include <memory>

namespace rtm
{
  // state, next and removed are guarded by the owning context's mutex.
  struct ContextMember
  {
    RTC::ExecutionContextHandle_t handle = 0;
    RTC::RTObject_var ref;
    std::unique_ptr<ComponentCallbacks> callbacks;
    RTC::LifeCycleState state = RTC::INACTIVE_STATE;
    RTC::LifeCycleState next = RTC::INACTIVE_STATE;
    bool removed = false;
  };
}
