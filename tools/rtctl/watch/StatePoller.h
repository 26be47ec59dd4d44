// Follows a component that takes no observer by asking it: each poll reads its state in every
// execution context and the connections of every port, and reports what changed since the last
// poll as the updates an observer would have heard (RTC_STATUS ACTIVE:0, PORT_PROFILE
// CONNECT:Trimul0.x1, ...). Coarser than an observer: a change undone between two polls is missed.
#pragma once

#include "client/WatchEvent.h"

#include <rtm/idl/RTC.hh>

#include <functional>
#include <map>
#include <set>
#include <string>

namespace rtctl
{
  class StatePoller
  {
  public:
    // The first poll() only records where the component stands.
    StatePoller(std::string label, RTC::RTObject_ptr component, std::function<void(const WatchEvent&)> callback);

    // Throws the CORBA exception of a component that does not answer.
    void poll();

  private:
    struct Snapshot
    {
      std::map<RTC::ExecutionContextHandle_t, RTC::LifeCycleState> states;
      std::map<std::string, std::set<std::string>> connectors;  // port name -> connector ids
    };

    Snapshot read();
    void report(const std::string& kind, const std::string& hint);

    std::string m_label;
    RTC::RTObject_var m_component;
    std::function<void(const WatchEvent&)> m_callback;
    bool m_first = true;
    Snapshot m_last;
  };
}
