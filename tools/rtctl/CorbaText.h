// Words for what the ORB and the middleware answer, as a user should read them.
#pragma once

#include <rtm/idl/RTC.hh>

#include <string>

namespace rtctl
{
  class CorbaText
  {
  public:
    // "not reachable (TRANSIENT)", "timed out (TIMEOUT)", ...: what an exception means for the
    // object it came from.
    static std::string exception(const CORBA::Exception& e);
    static std::string returnCode(RTC::ReturnCode_t code);
    // "Inactive", "Active", "Error", "Created", as the shell tools print them.
    static std::string state(RTC::LifeCycleState state);
    static std::string kind(RTC::ExecutionKind kind);
    // The text of an NVList value: the string it holds, or a short description of anything else.
    static std::string anyValue(const CORBA::Any& value);
  };
}
