// Starting the runtime's manager in a benchmark helper program, with the manager options the
// script passes after "--".
#pragma once

#include <rtm/Manager.h>

#include <string>
#include <vector>

namespace bench
{
  // Initialises the manager with `leading` options followed by argv[first..argc), lets `init`
  // create the program's components, and runs the manager in the background.
  RTC::Manager* startManager(int argc, char** argv, int first, RTC::ModuleInitProc init,
                             const std::vector<std::string>& leading = {});
}
