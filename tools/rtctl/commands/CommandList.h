// Every command of rtctl, in the order `rtctl --help` lists them: the one place that knows them
// all, the front ends' commands (system, watch, serve) among them.
#pragma once

#include "client/Command.h"

#include <memory>
#include <vector>

namespace rtctl
{
  std::vector<std::unique_ptr<Command>> allCommands();
}
