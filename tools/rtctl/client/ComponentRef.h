// A component found through a path: its reference, and its ports looked up by the names users
// type. Every failure is an Error naming the path.
#pragma once

#include "client/NameService.h"
#include "client/PortInfo.h"
#include "client/RtPath.h"

#include <rtm/idl/RTC.hh>

#include <string>
#include <vector>

namespace rtctl
{
  class ComponentRef
  {
  public:
    // Throws Error: no such name, a context, not a component, not reachable.
    ComponentRef(NameService& names, const RtPath& path);
    // For an object already resolved (ls walks a context and has it in hand).
    ComponentRef(CORBA::Object_ptr obj, const RtPath& path);

    RTC::RTObject_ptr ref() const { return m_ref.in(); }
    const RtPath& path() const { return m_path; }

    struct Port
    {
      RTC::PortService_var ref;
      PortInfo info;
    };
    // Every port with its profile, in the component's order.
    std::vector<Port> ports() const;
    // The port named `name` ("x1", or the full "Trimul0.x1"); throws Error listing the ports
    // there are when none has that name.
    Port port(const std::string& name) const;
    // The port a PATH:PORT names; Error when the path names no port.
    static Port resolvePort(NameService& names, const RtPath& path);

    // An owned context first, then the participating ones, as the shell tools number them.
    std::vector<RTC::ExecutionContext_var> contexts() const;
    size_t ownedContextCount() const;
    // Context `index` in that numbering (`-e N`); Error saying how many there are when it has
    // none of that number.
    RTC::ExecutionContext_var context(long index) const;

    // The component's state in its first owned context, "Created" when it has none.
    std::string stateInFirstContext() const;
    // A port's own profile name ("Trimul0.y1"), or why it cannot be had.
    static std::string portName(RTC::PortService_ptr port);

    // Turns any exception from a call on this component into an Error naming it and `what`.
    [[noreturn]] void fail(const std::string& what, const CORBA::Exception& e) const;

  private:
    void narrow(CORBA::Object_ptr obj);

    RtPath m_path;
    RTC::RTObject_var m_ref;
  };
}
