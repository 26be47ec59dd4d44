// activate, deactivate and reset: one request to one of the component's execution contexts,
// then a bounded wait until the component has reached the state asked for (StateRequest), so
// that a script can rely on the state once the command returns.
#pragma once

#include "Command.h"
#include "StateRequest.h"

namespace rtctl
{
  class StateCommand : public Command
  {
  public:
    enum Request
    {
      kActivate = StateRequest::kActivate,
      kDeactivate = StateRequest::kDeactivate,
      kReset = StateRequest::kReset,
    };

    explicit StateCommand(Request request) : m_request(request) {}
    const char* name() const override;
    const char* summary() const override;
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;

  private:
    Request m_request;
  };
}
