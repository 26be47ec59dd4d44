// One notification for a component observer: the kind of status that changed and the hint that
// says what, in the words the middleware's tools parse (they split the hint at ':' and profile
// hints at ',').
#pragma once

#include "sdo/ComponentEventListener.h"

#include <rtm/idl/ComponentObserver.hh>
#include <rtm/idl/RTCComponentObserver.hh>

#include <string>

namespace rtm
{
  struct StatusUpdate
  {
    OpenRTM::StatusKind kind;
    std::string hint;

    // The same kind for an observer attached as IDL:omg.org/RTC/ComponentObserver:1.0.
    RTC::StatusKind rtcKind() const;

    static StatusUpdate from(const ComponentEvent& event);
    static StatusUpdate heartbeat();
  };
}
