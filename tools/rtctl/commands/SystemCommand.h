// rtctl system: a whole system at once, through a system profile file (the format the
// middleware's editors and shell tools share): save a running system, bring it up again, take
// its connections down, start and stop it, check it against the file, and draw it.
#pragma once

#include "client/Command.h"
#include "client/StateRequest.h"

#include <string>
#include <vector>

namespace rtctl
{
  class SystemCommand : public Command
  {
  public:
    const char* name() const override { return "system"; }
    const char* summary() const override
    {
      return "save, restore, start, stop, check or draw a whole system (system file)";
    }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;

  private:
    int save(const std::vector<std::string>& words);
    int up(const std::vector<std::string>& words);
    int down(const std::vector<std::string>& words);
    // start and stop.
    template <StateRequest::Kind kind>
    int changeState(const std::vector<std::string>& words);
    int check(const std::vector<std::string>& words);
    int graph(const std::vector<std::string>& words);
  };
}
