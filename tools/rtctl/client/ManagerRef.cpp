#include "client/ManagerRef.h"

#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/IorAddress.h"
#include "client/NameValues.h"

namespace rtctl
{
  namespace
  {
    // Where a manager says which host it runs on and its process id. The profile holds its
    // manager.* keys, named relative to that node ("pid") by the middleware and by our managers
    // now, with the "manager." prefix by our older ones; the host name is among the os.* keys of
    // its whole configuration, which is asked only when the profile lacks one of the two.
    const std::vector<std::string> kHostKeys = {"os.hostname"};
    const std::vector<std::string> kPidKeys = {"pid", "manager.pid"};
    const std::vector<std::string> kConfiguredPidKeys = {"manager.pid"};
  }

  ManagerRef::ManagerRef(Session& session, const ManagerAddress& address)
  {
    if (address.isNamed())
    {
      m_shown = address.text();
      CORBA::Object_var obj = session.names(address.path()).resolve(address.path());
      narrow(obj.in(), "its process may be gone");
      return;
    }
    m_shown = "manager at " + address.text();
    CORBA::Object_var obj;
    try
    {
      const std::string corbaloc = session.orb().tls() ? address.tlsCorbaloc() : address.corbaloc();
      obj = session.orb().orb()->string_to_object(corbaloc.c_str());
    }
    catch (const CORBA::Exception& e)
    {
      throw UsageError("'" + address.text() + "' is not a manager address (" + e._name() + ")");
    }
    narrow(obj.in(), "is a master manager (rtcd -d) running there?");
  }

  ManagerRef::ManagerRef(RTM::Manager_ptr ref, std::string shown)
    : m_ref(RTM::Manager::_duplicate(ref)), m_shown(std::move(shown))
  {}

  void ManagerRef::narrow(CORBA::Object_ptr obj, const std::string& hint)
  {
    try
    {
      if (CORBA::is_nil(obj))
        throw Error(m_shown + " is bound to a nil reference");
      m_ref = RTM::Manager::_narrow(obj);
      if (CORBA::is_nil(m_ref))
        throw Error(m_shown + " is not a manager");
      // As for components: a narrow decided from the reference alone says nothing of the process.
      if (m_ref->_non_existent())
        throw UnreachableError(m_shown + " no longer exists; " + hint);
    }
    catch (const CORBA::Exception& e)
    {
      throw UnreachableError(m_shown + " " + CorbaText::unreachable(e, obj, hint));
    }
  }

  void ManagerRef::fail(const std::string& what, const CORBA::Exception& e) const
  {
    throw Error(m_shown + " " + CorbaText::exception(e) + " (" + what + ")");
  }

  void ManagerRef::call(const std::string& doing, const std::string& refused,
                        const std::function<RTC::ReturnCode_t(RTM::Manager_ptr)>& operation,
                        const std::function<std::string(RTC::ReturnCode_t)>& why) const
  {
    RTC::ReturnCode_t ret = RTC::RTC_OK;
    try
    {
      ret = operation(m_ref.in());
    }
    catch (const CORBA::Exception& e)
    {
      fail(doing, e);
    }
    if (ret != RTC::RTC_OK)
      throw Error(m_shown + " refused to " + refused + ": " + CorbaText::returnCode(ret) + (why ? why(ret) : ""));
  }

  std::vector<ManagerRef::Slave> ManagerRef::slaves(CORBA::ORB_ptr orb) const
  {
    RTM::ManagerList_var list;
    try
    {
      list = m_ref->get_slave_managers();
    }
    catch (const CORBA::Exception& e)
    {
      fail("listing its slaves", e);
    }
    std::vector<Slave> result;
    for (CORBA::ULong i = 0; i < list->length(); ++i)
    {
      Slave slave{i, RTM::Manager::_duplicate(list[i].in()), "", "", IorAddress::of(orb, list[i].in()), ""};
      try
      {
        if (CORBA::is_nil(slave.ref))
          throw CORBA::INV_OBJREF();
        identify(slave.ref.in(), slave.host, slave.pid);
      }
      catch (const CORBA::Exception& e)
      {
        slave.problem = CorbaText::exception(e);
      }
      result.push_back(std::move(slave));
    }
    return result;
  }

  void ManagerRef::identify(RTM::Manager_ptr manager, std::string& host, std::string& pid)
  {
    RTM::ManagerProfile_var profile = manager->get_profile();
    const NameValues described(profile->properties);
    host = described.firstOf(kHostKeys);
    pid = described.firstOf(kPidKeys);
    if (host.empty() || pid.empty())
    {
      RTM::NVList_var configuration = manager->get_configuration();
      const NameValues configured(configuration.in());
      if (host.empty())
        host = configured.firstOf(kHostKeys);
      if (pid.empty())
        pid = configured.firstOf(kConfiguredPidKeys);
    }
  }

  ManagerRef ManagerRef::slave(CORBA::ORB_ptr orb, const SlaveChoice& choice) const
  {
    const std::vector<Slave> all = slaves(orb);
    const Slave* chosen = nullptr;
    if (choice.kind == SlaveChoice::kIndex)
    {
      if (choice.index >= all.size())
        throw Error(m_shown + " has no slave " + std::to_string(choice.index) + " (it has " +
                    std::to_string(all.size()) + ")");
      chosen = &all[choice.index];
    }
    else
    {
      std::string hosts;
      for (const Slave& slave : all)
      {
        if (slave.host == choice.host)
        {
          if (chosen != nullptr)
            throw Error(m_shown + " has several slaves on " + choice.host + " (" + std::to_string(chosen->index) +
                        ", " + std::to_string(slave.index) + ", ...); name one by its index");
          chosen = &slave;
        }
        if (!slave.host.empty())
          hosts += (hosts.empty() ? "" : ", ") + slave.host;
      }
      if (chosen == nullptr)
        throw Error(
          m_shown + " has no slave on host '" + choice.host + "'" +
          (hosts.empty() ? std::string(" (it has none that answers)") : " (its slaves' hosts: " + hosts + ")"));
    }
    const std::string shown = "slave " + std::to_string(chosen->index) +
                              (chosen->host.empty() ? "" : " (" + chosen->host + ")") + " of " + m_shown;
    if (!chosen->problem.empty())
      throw UnreachableError(shown + " " + chosen->problem);
    return ManagerRef(chosen->ref.in(), shown);
  }
}
