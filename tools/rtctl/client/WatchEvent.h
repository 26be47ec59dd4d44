// One change of a watched component, as an observer heard it or a poll found it.
#pragma once

#include <chrono>
#include <string>

namespace rtctl
{
  struct WatchEvent
  {
    std::string component;  // the label the component was watched under (its path)
    std::string kind;  // RTC_STATUS, EC_STATUS, PORT_PROFILE, CONFIGURATION,
      // COMPONENT_PROFILE or HEARTBEAT
    std::string hint;  // "ACTIVE:0", "CONNECT:Trimul0.x1", ...
    std::chrono::system_clock::time_point when;
  };
}
