#pragma once

#include "client/Command.h"

namespace rtctl
{
  class ServeCommand : public Command
  {
  public:
    const char* name() const override { return "serve"; }
    const char* summary() const override { return "serve a live web view of the system: tree, graph, states, plots"; }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;
  };
}
