#pragma once

#include "client/Command.h"

namespace rtctl
{
  class DisconnectCommand : public Command
  {
  public:
    const char* name() const override { return "disconnect"; }
    const char* summary() const override { return "remove every connection between two ports"; }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;
  };
}
