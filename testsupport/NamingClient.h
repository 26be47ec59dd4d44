#pragma once

#include <omniORB4/CORBA.h>
#include <omniORB4/Naming.hh>

#include <string>
#include <vector>

namespace testsupport
{

  // What a test needs from a naming service, in the path form users see:
  // "myhost.host_cxt/Trimul0.rtc" (parts split on '/'; in each part the last '.' separates id from
  // kind, so dotted host names keep their dots). The root reference is not checked at construction,
  // so one client keeps working while the service stops and restarts at the same address.
  // Nothing here throws: a failure of any kind reads as nil, false or an empty list.
  class NamingClient
  {
  public:
    NamingClient(CORBA::ORB_ptr orb, const std::string& corbaloc);

    // The caller owns the result (hold it in a CORBA::Object_var); nil if unbound or unreachable.
    CORBA::Object_ptr resolve(const std::string& path);
    bool isBound(const std::string& path);
    // Entries of the context at contextPath ("" for the root) as "id.kind" ("id" when the kind is
    // empty), sorted; empty if the context is missing or the service is unreachable.
    std::vector<std::string> list(const std::string& contextPath = "");
    // Binds obj at path, overwriting an old binding and creating missing contexts on the way, the
    // way a component manager registers a component.
    bool bind(const std::string& path, CORBA::Object_ptr obj);
    bool unbind(const std::string& path);
    bool reachable();

    static CosNaming::Name toName(const std::string& path);
    static std::string toString(const CosNaming::NameComponent& component);

  private:
    CosNaming::NamingContext_var root_;
  };

  // One client ORB for the whole test program, initialised on first use: endpoint on 127.0.0.1
  // only, calls time out after 5 s instead of hanging a test on a dead peer, RootPOA active so tests
  // can also serve objects. Not owned by the caller; never destroyed before the program exits.
  CORBA::ORB_ptr testOrb();

}  // namespace testsupport
