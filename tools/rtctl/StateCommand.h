// activate, deactivate and reset: one request to one of the component's execution contexts,
// then a bounded wait until the component has reached the state asked for, so that a script can
// rely on the state once the command returns.
#pragma once

#include "Command.h"

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
    const char* name() const override;
    const char* summary() const override;
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;

  private:
    RTC::LifeCycleState goal() const;
    RTC::ReturnCode_t send(RTC::ExecutionContext_ptr ec, RTC::RTObject_ptr component) const;

    Request m_request;
  };
}
