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
    // The same for a call to `target` that failed, followed by `hint` ("its process may be
    // gone") unless the reason is TLS: a reference that takes TLS only while rtctl has no
    // certificate, or a handshake either side refused.
    static std::string unreachable(const CORBA::Exception& e, CORBA::Object_ptr target, const std::string& hint);
    static std::string returnCode(RTC::ReturnCode_t code);
    // "Inactive", "Active", "Error", "Created", as the shell tools print them.
    static std::string state(RTC::LifeCycleState state);
    static std::string kind(RTC::ExecutionKind kind);
    // The text of an NVList value: the string it holds, or a short description of anything else.
    static std::string anyValue(const CORBA::Any& value);
  };
}
