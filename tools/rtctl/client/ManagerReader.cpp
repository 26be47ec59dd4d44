#include "client/ManagerReader.h"

#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/PathUri.h"

namespace rtctl
{
  namespace
  {
    // Compared locally, from the references alone: no call to the components.
    bool equivalent(CORBA::Object_ptr a, CORBA::Object_ptr b)
    {
      try
      {
        return !CORBA::is_nil(a) && !CORBA::is_nil(b) && a->_is_equivalent(b);
      }
      catch (const CORBA::Exception&)
      {
        return false;
      }
    }

    bool contains(const std::vector<RTC::RTObject_var>& list, CORBA::Object_ptr component)
    {
      for (const RTC::RTObject_var& known : list)
        if (equivalent(known.in(), component))
          return true;
      return false;
    }
  }

  ManagerReader::ManagerReader(Session& session, BoundComponents bound) : m_session(session), m_bound(std::move(bound))
  {}

  bool ManagerReader::seen(RTM::Manager_ptr manager)
  {
    for (const RTM::Manager_var& known : m_seen)
      if (equivalent(known.in(), manager))
        return true;
    m_seen.push_back(RTM::Manager::_duplicate(manager));
    return false;
  }

  bool ManagerReader::read(const RtPath& path, ManagerCluster& out)
  {
    out = ManagerCluster();
    for (const std::string& name : path.names())
      out.name += (out.name.empty() ? "" : "/") + name;
    try
    {
      const ManagerRef manager(m_session,
                               ManagerAddress::parse(PathUri::shown(PathUri::of(path)), Session::defaultServer()));
      if (seen(manager.ref()))
        return false;
      ManagerRef::identify(manager.ref(), out.host, out.pid);
      readComponents(manager, out);
    }
    catch (const Error& e)
    {
      out.problem = e.what();
    }
    catch (const CORBA::Exception& e)
    {
      out.problem = out.name + " " + CorbaText::exception(e);
    }
    return true;
  }

  void ManagerReader::readComponents(const ManagerRef& manager, ManagerCluster& out) const
  {
    std::vector<RTC::RTObject_var> inSlaves;
    for (const ManagerRef::Slave& slave : manager.slaves(m_session.orb().orb()))
    {
      ManagerCluster cluster;
      cluster.name = "slave " + std::to_string(slave.index);
      cluster.host = slave.host;
      cluster.pid = slave.pid;
      cluster.problem = slave.problem;
      if (cluster.problem.empty())
      {
        try
        {
          RTC::RTCList_var theirs = slave.ref->get_components();
          place(theirs.in(), {}, cluster);
          for (CORBA::ULong i = 0; i < theirs->length(); ++i)
            inSlaves.push_back(RTC::RTObject::_duplicate(theirs[i].in()));
        }
        catch (const CORBA::Exception& e)
        {
          cluster.problem = CorbaText::exception(e);
        }
      }
      out.slaves.push_back(std::move(cluster));
    }
    RTC::RTCList_var all;
    try
    {
      all = manager.ref()->get_components();
    }
    catch (const CORBA::Exception& e)
    {
      manager.fail("listing its components", e);
    }
    place(all.in(), inSlaves, out);
  }

  void ManagerReader::place(const RTC::RTCList& components, const std::vector<RTC::RTObject_var>& elsewhere,
                            ManagerCluster& out) const
  {
    for (CORBA::ULong i = 0; i < components.length(); ++i)
    {
      CORBA::Object_ptr component = components[i].in();
      if (contains(elsewhere, component))
        continue;
      bool named = false;
      for (const auto& bound : m_bound)
      {
        if (equivalent(bound.second.in(), component))
        {
          out.components.push_back(bound.first);
          named = true;
          break;
        }
      }
      if (!named)
        ++out.unbound;
    }
  }
}
