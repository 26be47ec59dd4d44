#pragma once

#include "client/Command.h"

namespace rtctl
{
  class ConnectCommand : public Command
  {
  public:
    const char* name() const override { return "connect"; }
    const char* summary() const override { return "connect two data ports"; }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;
  };
}
