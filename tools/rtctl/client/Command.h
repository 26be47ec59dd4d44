// One subcommand of rtctl. run() reports failures by throwing Error (or UsageError); main()
// turns them into one line on standard error and the exit status.
#pragma once

#include <string>
#include <vector>

namespace rtctl
{
  class Command
  {
  public:
    virtual ~Command() = default;
    virtual const char* name() const = 0;
    // One line for `rtctl --help`.
    virtual const char* summary() const = 0;
    // The whole text of `rtctl NAME --help`.
    virtual const char* usage() const = 0;
    // The arguments after the subcommand's name; returns the exit status.
    virtual int run(const std::vector<std::string>& args) = 0;
  };
}
