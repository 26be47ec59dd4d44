// activate, deactivate and reset: one request to one of the component's execution contexts,
// then a bounded wait until the component has reached the state asked for, so that a script can
// rely on the state once the command returns.
#pragma once

#include "Command.h"
#include "ComponentRef.h"

#include <rtm/idl/RTC.hh>

namespace rtctl
{
  class StateCommand : public Command
  {
  public:
    enum Request
    {
      kActivate,
      kDeactivate,
      kReset,
    };

    explicit StateCommand(Request request) : m_request(request) {}

    // Sends the request to context `index` of the component and waits up to `waitSeconds` for
    // the state it asks for; returns that state. Throws Error, naming the component and the
    // context, when the context refuses, the component does not answer or the state is not
    // reached in time. `rtctl serve` shares this with the commands.
    static RTC::LifeCycleState apply(Request request, const ComponentRef& component, size_t index,
                                     double waitSeconds);

    const char* name() const override;
    const char* summary() const override;
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;

  private:
    static const char* nameOf(Request request);
    static RTC::LifeCycleState goal(Request request);
    static RTC::ReturnCode_t send(Request request, RTC::ExecutionContext_ptr ec, RTC::RTObject_ptr component);

    Request m_request;
  };
}
