// Finding and connecting a component's ports from a benchmark's helper programs, as a tool does.
#pragma once

#include <rtm/idl/DataPort.hh>
#include <rtm/idl/RTC.hh>

#include <string>

namespace bench
{
  // The component's port "<instance>.<name>", found through its port list; nil if it has none.
  RTC::PortService_ptr findPort(RTC::RTObject_ptr rtc, const std::string& name);

  // `out` to `in`, a TimedLong push connection with synchronous sends ("flush") and the input's
  // default buffer.
  RTC::ReturnCode_t connectPorts(RTC::PortService_ptr out, RTC::PortService_ptr in);
  // `out` to a bare InPortCdr servant: the profile names only the output port and already carries
  // the servant's reference where an input port's handshake would put it.
  RTC::ReturnCode_t connectToServant(CORBA::ORB_ptr orb, RTC::PortService_ptr out, CORBA::Object_ptr servant);
  // A TimedLong's 12 little-endian octets (tm zero) with data = value, written in place.
  void encodeTimedLong(OpenRTM::CdrData& data, CORBA::Long value);
}
