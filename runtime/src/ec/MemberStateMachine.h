// The per-component state machine of an execution context (INACTIVE, ACTIVE, ERROR): what one tick
// does for one component. Requests only set the member's next state; a tick applies it, and does
// either a transition or the in-state actions, never both. Runs on the context's own thread.
#pragma once

#include "ec/ContextMember.h"

#include <condition_variable>
#include <mutex>

namespace rtm
{
  class MemberStateMachine
  {
  public:
    // `guard` is the context's mutex over the members' states; `changed` is told whenever a
    // state changes. The handlers are called without the mutex held.
    MemberStateMachine(std::mutex& guard, std::condition_variable& changed);

    void step(ContextMember& m);

    // One handler of one member with its handle; whatever it throws reads as RTC_ERROR.
    using Handler = RTC::ReturnCode_t (ComponentCallbacks::*)(RTC::ExecutionContextHandle_t);
    static RTC::ReturnCode_t invoke(ContextMember& m, Handler handler) noexcept;

  private:
    void transition(ContextMember& m, RTC::LifeCycleState from, RTC::LifeCycleState to);
    void requestError(ContextMember& m);

    std::mutex& m_guard;
    std::condition_variable& m_changed;
  };
}
