#pragma once

#include "client/Command.h"

#include <istream>

namespace rtctl
{
  class InjectCommand : public Command
  {
  public:
    const char* name() const override { return "inject"; }
    const char* summary() const override { return "send values to an input port"; }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;
  };
}
