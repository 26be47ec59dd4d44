#include "client/StateRequest.h"

#include "client/CorbaText.h"
#include "client/Error.h"

#include <chrono>
#include <string>
#include <thread>

namespace rtctl
{
  const char* StateRequest::verb() const
  {
    switch (m_kind)
    {
      case kActivate:
        return "activate";
      case kDeactivate:
        return "deactivate";
      default:
        return "reset";
    }
  }

  RTC::LifeCycleState StateRequest::goal() const
  {
    return m_kind == kActivate ? RTC::ACTIVE_STATE : RTC::INACTIVE_STATE;
  }

  RTC::ReturnCode_t StateRequest::send(RTC::ExecutionContext_ptr ec, RTC::RTObject_ptr component) const
  {
    switch (m_kind)
    {
      case kActivate:
        return ec->activate_component(component);
      case kDeactivate:
        return ec->deactivate_component(component);
      default:
        return ec->reset_component(component);
    }
  }

  RTC::ExecutionContext_var StateRequest::context(const ComponentRef& component, size_t index)
  {
    return component.context(static_cast<long>(index));
  }

  RTC::LifeCycleState StateRequest::state(const ComponentRef& component, size_t index)
  {
    RTC::ExecutionContext_var ec = context(component, index);
    try
    {
      return ec->get_component_state(component.ref());
    }
    catch (const CORBA::Exception& e)
    {
      component.fail("reading its state in execution context " + std::to_string(index), e);
    }
  }

  void StateRequest::apply(const ComponentRef& component, size_t index) const
  {
    RTC::ExecutionContext_var ec = context(component, index);
    const std::string where = component.path().text() + " in execution context " + std::to_string(index);

    RTC::LifeCycleState state = RTC::CREATED_STATE;
    try
    {
      // A stopped context queues the request and applies it whenever it is started again, long
      // after this command gave up waiting: refuse instead, and say how to start it.
      if (!ec->is_running())
        throw Error(component.path().text() + ": execution context " + std::to_string(index) +
                    " is stopped, so it would not " + verb() + " the component; start it first with 'rtctl start " +
                    component.path().text() + (index == 0 ? std::string() : " -e " + std::to_string(index)) + "'");
      const RTC::ReturnCode_t ret = send(ec.in(), component.ref());
      if (ret != RTC::RTC_OK)
      {
        state = ec->get_component_state(component.ref());
        throw Error(std::string("refused for ") + where + ": " + CorbaText::returnCode(ret) + " (it is " +
                    CorbaText::state(state) + ")");
      }
      // The context applies the change at its next tick: wait for it, within the bound.
      const auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(m_waitSeconds));
      for (;;)
      {
        state = ec->get_component_state(component.ref());
        if (state == goal() || state == RTC::ERROR_STATE || std::chrono::steady_clock::now() >= deadline)
          break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    catch (const CORBA::Exception& e)
    {
      component.fail(std::string(verb()) + " in execution context " + std::to_string(index), e);
    }
    if (state == goal() || m_waitSeconds == 0)
      return;
    throw Error(where + " is " + CorbaText::state(state) + ", not " + CorbaText::state(goal()) +
                (state == RTC::ERROR_STATE ? " (its handler failed)" : " after waiting"));
  }
}
