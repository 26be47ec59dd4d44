#pragma once

#include "client/Command.h"

namespace rtctl
{
  class ExitCommand : public Command
  {
  public:
    const char* name() const override { return "exit"; }
    const char* summary() const override { return "tell a component to finalize and exit"; }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;
  };
}
