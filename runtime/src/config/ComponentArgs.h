// The argument of createComponent: "Trimul", "RTC:vendor:category:Trimul:version", either one
// optionally followed by "?key=value&key=value" per-instance properties.
#pragma once

#include <coil/Properties.h>

#include <string>

namespace rtm::config
{

  struct ComponentArgs
  {
    std::string implementationId;
    // Empty means "any" when matching a factory.
    std::string vendor;
    std::string category;
    std::string version;
    coil::Properties instanceProps;
  };

  // False with a one-line `error` if the argument cannot name a component type.
  bool parseComponentArgs(const std::string& arg, ComponentArgs& out, std::string& error);

}  // namespace rtm::config
