// Connector profiles for TimedLong data ports, as a tool builds them: push over corba_cdr.
#pragma once

#include <rtm/idl/RTC.hh>

#include <string>

namespace testsupport
{
  // A profile named `name` between `out` and `in` (either may be nil and is then left out, for a
  // profile that names one port) with the given subscription ("flush", "new" or "periodic").
  RTC::ConnectorProfile pushProfile(const char* name, RTC::PortService_ptr out, RTC::PortService_ptr in,
                                    const std::string& subscription = "flush");

  // Appends one string-valued entry, as connector profiles carry them.
  void addProperty(SDOPackage::NVList& list, const char* name, const std::string& value);
}
