// Finding a component's ports from a benchmark's helper programs, as a tool finds them.
#pragma once

#include <rtm/idl/RTC.hh>

#include <string>

namespace bench
{
  // The component's port "<instance>.<name>", found through its port list; nil if it has none.
  RTC::PortService_ptr findPort(RTC::RTObject_ptr rtc, const std::string& name);
}
