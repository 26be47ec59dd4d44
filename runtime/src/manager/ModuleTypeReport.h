// What the helper that learns a module's component types hands back to the manager: the profile
// of each type the module's init function registered, as "N.key: value" lines in rtc.conf's
// format (N counts the types from 0). The manager reads text that a module's own code could have
// written into, so reading is bounded and refuses what is not such a report.
#pragma once

#include <coil/Properties.h>

#include <string>
#include <vector>

namespace rtm
{
  class ModuleTypeReport
  {
  public:
    // More types than this in one module is no report of a real module.
    static constexpr std::size_t kMostTypes = 64;
    static constexpr long kDeepestKey = 32;

    static std::string write(const std::vector<coil::Properties>& types);
    // The types in `text`, in their order; those without an implementation_id are left out. False
    // with a one-line `error` for a line that is not "N.key: value" with N below kMostTypes.
    static bool read(const std::string& text, std::vector<coil::Properties>& types, std::string& error);
  };
}
