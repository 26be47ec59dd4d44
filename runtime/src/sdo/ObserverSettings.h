// What one attached observer asked for, read from the properties of its service profile:
//   observed_status     comma list of COMPONENT_PROFILE, RTC_STATUS, EC_STATUS, PORT_PROFILE,
//                       CONFIGURATION, or ALL; case-insensitive; empty (or absent) means ALL
//   heartbeat.enable    YES / NO (default NO)
//   heartbeat.interval  seconds between heartbeats (default 1.0)
// Other properties (tools also send rtc_heartbeat.* and ec_heartbeat.*) are ignored.
#pragma once

#include <rtm/idl/ComponentObserver.hh>
#include <rtm/idl/SDOPackage.hh>

#include <bitset>
#include <chrono>

namespace rtm
{
  struct ObserverSettings
  {
    std::bitset<OpenRTM::STATUS_KIND_NUM> observed;
    bool heartbeat = false;
    std::chrono::milliseconds heartbeatInterval{1000};

    bool observes(OpenRTM::StatusKind kind) const;

    static ObserverSettings parse(const SDOPackage::NVList& properties);
  };
}
