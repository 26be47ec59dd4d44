#pragma once

#include "client/Command.h"

namespace rtctl
{
  class WatchCommand : public Command
  {
  public:
    const char* name() const override { return "watch"; }
    const char* summary() const override { return "print each change of components as it happens"; }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;
  };
}
