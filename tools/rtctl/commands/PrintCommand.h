#pragma once

#include "client/Command.h"

namespace rtctl
{
  class PrintCommand : public Command
  {
  public:
    const char* name() const override { return "print"; }
    const char* summary() const override { return "print what an output port sends"; }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;
  };
}
