#include "client/ComponentRef.h"

#include "client/CorbaText.h"
#include "client/Error.h"

namespace rtctl
{
  ComponentRef::ComponentRef(NameService& names, const RtPath& path) : m_path(path)
  {
    if (path.isRoot())
      throw Error(path.componentText().empty() ? std::string("a naming service root is not a component")
                                               : path.componentText() + " is a naming service, not a component");
    CORBA::Object_var obj = names.resolve(path);
    narrow(obj.in());
  }

  ComponentRef::ComponentRef(CORBA::Object_ptr obj, const RtPath& path) : m_path(path) { narrow(obj); }

  void ComponentRef::narrow(CORBA::Object_ptr obj)
  {
    const std::string shown = m_path.componentText();
    try
    {
      if (CORBA::is_nil(obj))
        throw Error(shown + " is bound to a nil reference");
      m_ref = RTC::RTObject::_narrow(obj);
      if (CORBA::is_nil(m_ref))
      {
        if (NameService::isContext(obj))
          throw Error(shown + " is a naming context, not a component");
        throw Error(shown + " is not a component");
      }
      // The narrow may have been decided from the reference alone: ask the object itself, so
      // that a dead process is reported as such before anything else is tried.
      if (m_ref->_non_existent())
        throw UnreachableError(shown + " no longer exists; its process may be gone");
    }
    catch (const CORBA::Exception& e)
    {
      throw UnreachableError(shown + " " + CorbaText::unreachable(e, obj, "its process may be gone"));
    }
  }

  void ComponentRef::fail(const std::string& what, const CORBA::Exception& e) const
  {
    throw Error(m_path.componentText() + " " + CorbaText::exception(e) + " (" + what + ")");
  }

  std::vector<ComponentRef::Port> ComponentRef::ports() const
  {
    std::vector<Port> result;
    try
    {
      RTC::PortServiceList_var refs = m_ref->get_ports();
      for (CORBA::ULong i = 0; i < refs->length(); ++i)
      {
        RTC::PortProfile_var profile = refs[i]->get_port_profile();
        result.push_back({RTC::PortService::_duplicate(refs[i].in()), PortInfo(profile.in())});
      }
    }
    catch (const CORBA::Exception& e)
    {
      fail("reading its ports", e);
    }
    return result;
  }

  ComponentRef::Port ComponentRef::port(const std::string& name) const
  {
    std::vector<Port> all = ports();
    std::string known;
    for (Port& p : all)
    {
      if (p.info.shortName() == name || p.info.fullName() == name)
        return std::move(p);
      known += (known.empty() ? "" : ", ") + p.info.shortName();
    }
    throw Error("no port '" + name + "' on " + m_path.componentText() +
                (known.empty() ? std::string(" (it has no ports)") : " (its ports: " + known + ")"));
  }

  ComponentRef::Port ComponentRef::resolvePort(NameService& names, const RtPath& path)
  {
    return ComponentRef(names, path.requirePort()).port(path.port());
  }

  std::vector<RTC::ExecutionContext_var> ComponentRef::contexts() const
  {
    std::vector<RTC::ExecutionContext_var> result;
    try
    {
      RTC::ExecutionContextList_var owned = m_ref->get_owned_contexts();
      for (CORBA::ULong i = 0; i < owned->length(); ++i)
        result.push_back(RTC::ExecutionContext::_duplicate(owned[i].in()));
      RTC::ExecutionContextList_var others = m_ref->get_participating_contexts();
      for (CORBA::ULong i = 0; i < others->length(); ++i)
        result.push_back(RTC::ExecutionContext::_duplicate(others[i].in()));
    }
    catch (const CORBA::Exception& e)
    {
      fail("reading its execution contexts", e);
    }
    return result;
  }

  size_t ComponentRef::ownedContextCount() const
  {
    try
    {
      RTC::ExecutionContextList_var owned = m_ref->get_owned_contexts();
      return owned->length();
    }
    catch (const CORBA::Exception& e)
    {
      fail("reading its execution contexts", e);
    }
  }

  RTC::ExecutionContext_var ComponentRef::context(long index) const
  {
    std::vector<RTC::ExecutionContext_var> all = contexts();
    if (index < 0 || static_cast<size_t>(index) >= all.size())
      throw Error(m_path.text() + " has no execution context " + std::to_string(index) + " (it has " +
                  std::to_string(all.size()) + ")");
    return all[static_cast<size_t>(index)];
  }

  std::string ComponentRef::stateInFirstContext() const
  {
    try
    {
      RTC::ExecutionContextList_var owned = m_ref->get_owned_contexts();
      if (owned->length() == 0)
        return CorbaText::state(RTC::CREATED_STATE);
      return CorbaText::state(owned[0]->get_component_state(m_ref.in()));
    }
    catch (const CORBA::Exception& e)
    {
      fail("reading its state", e);
    }
  }

  std::string ComponentRef::portName(RTC::PortService_ptr port)
  {
    try
    {
      RTC::PortProfile_var profile = port->get_port_profile();
      return static_cast<const char*>(profile->name);
    }
    catch (const CORBA::Exception& e)
    {
      return "<a port that " + CorbaText::exception(e) + ">";
    }
  }
}
