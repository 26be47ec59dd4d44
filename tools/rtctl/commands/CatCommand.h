#pragma once

#include "client/Command.h"

namespace rtctl
{
  class CatCommand : public Command
  {
  public:
    const char* name() const override { return "cat"; }
    const char* summary() const override { return "show a component's profile, contexts and ports, or one port"; }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;
  };
}
