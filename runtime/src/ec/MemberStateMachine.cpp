#include "ec/MemberStateMachine.h"

namespace rtm
{
  MemberStateMachine::MemberStateMachine(std::mutex& guard, std::condition_variable& changed)
    : m_guard(guard), m_changed(changed)
  {}

  void MemberStateMachine::step(ContextMember& m)
  {
    RTC::LifeCycleState from;
    RTC::LifeCycleState to;
    {
      std::lock_guard<std::mutex> lock(m_guard);
      if (m.removed)
      {
        return;
      }
      from = m.state;
      to = m.next;
    }
    if (from != to)
    {
      transition(m, from, to);
      return;
    }
    switch (from)
    {
      case RTC::ACTIVE_STATE:
      {
        if (invoke(m, &ComponentCallbacks::on_execute) != RTC::RTC_OK)
        {
          requestError(m);
          return;
        }
        {
          // A handler that asked for a transition (deactivating itself, say) has finished its
          // cycle: on_state_update belongs to a cycle that continues.
          std::lock_guard<std::mutex> lock(m_guard);
          if (m.next != m.state || m.removed)
          {
            return;
          }
        }
        if (invoke(m, &ComponentCallbacks::on_state_update) != RTC::RTC_OK)
        {
          requestError(m);
        }
        return;
      }
      case RTC::ERROR_STATE:
        invoke(m, &ComponentCallbacks::on_error);
        return;
      default:
        return;
    }
  }

  void MemberStateMachine::transition(ContextMember& m, RTC::LifeCycleState from, RTC::LifeCycleState to)
  {
    // Leave the old state...
    if (from == RTC::ACTIVE_STATE)
    {
      invoke(m, &ComponentCallbacks::on_deactivated);
    }
    else if (from == RTC::ERROR_STATE && invoke(m, &ComponentCallbacks::on_reset) != RTC::RTC_OK)
    {
      requestError(m);  // a failed reset keeps the component where it is
      return;
    }
    {
      std::lock_guard<std::mutex> lock(m_guard);
      m.state = to;
      m_changed.notify_all();
    }
    // ...then enter the new one. A failed activation is an error in ACTIVE, left at the next tick.
    if (to == RTC::ACTIVE_STATE)
    {
      if (invoke(m, &ComponentCallbacks::on_activated) != RTC::RTC_OK)
      {
        requestError(m);
      }
    }
    else if (to == RTC::ERROR_STATE)
    {
      invoke(m, &ComponentCallbacks::on_aborting);
    }
  }

  RTC::ReturnCode_t MemberStateMachine::invoke(ContextMember& m, Handler handler) noexcept
  {
    // The callbacks already turn exceptions into RTC_ERROR; this keeps the loop safe from any
    // implementation that does not.
    try
    {
      return (m.callbacks.get()->*handler)(m.handle);
    }
    catch (...)
    {
      return RTC::RTC_ERROR;
    }
  }

  void MemberStateMachine::requestError(ContextMember& m)
  {
    std::lock_guard<std::mutex> lock(m_guard);
    m.next = RTC::ERROR_STATE;
  }
}
