#include "manager/ManagerPeers.h"

#include "log/Logger.h"
#include "manager/PortProbe.h"
#include "transport/CallTimeout.h"

#include <algorithm>

namespace rtm
{
  namespace
  {
    bool equivalent(RTM::Manager_ptr a, RTM::Manager_ptr b)
    {
      try
      {
        return !CORBA::is_nil(a) && !CORBA::is_nil(b) && a->_is_equivalent(b);
      }
      catch (const CORBA::SystemException&)
      {
        // A reference whose profile does not decode is like no other.
        return false;
      }
    }
  }

  ManagerPeers::ManagerPeers(CORBA::ORB_ptr orb, unsigned long callTimeoutMs)
    : m_orb(CORBA::ORB::_duplicate(orb)), m_callTimeoutMs(callTimeoutMs)
  {}

  void ManagerPeers::setSelf(RTM::Manager_ptr self)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_self = RTM::Manager::_duplicate(self);
  }

  RTM::Manager_ptr ManagerPeers::bounded(RTM::Manager_ptr mgr) const
  {
    RTM::Manager_ptr copy = RTM::Manager::_duplicate(mgr);
    limitCallTime(copy, m_callTimeoutMs);
    return copy;
  }

  RTC::ReturnCode_t ManagerPeers::add(std::vector<RTM::Manager_var>& list, RTM::Manager_ptr mgr)
  {
    if (CORBA::is_nil(mgr))
      return RTC::BAD_PARAMETER;
    for (const RTM::Manager_var& known : list)
      if (equivalent(known.in(), mgr))
        return RTC::BAD_PARAMETER;
    list.push_back(RTM::Manager::_duplicate(mgr));
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t ManagerPeers::remove(std::vector<RTM::Manager_var>& list, RTM::Manager_ptr mgr)
  {
    auto it = std::find_if(list.begin(), list.end(),
                           [mgr](const RTM::Manager_var& known) { return equivalent(known.in(), mgr); });
    if (it == list.end())
      return RTC::BAD_PARAMETER;
    list.erase(it);
    return RTC::RTC_OK;
  }

  RTM::ManagerList* ManagerPeers::copy(const std::vector<RTM::Manager_var>& list)
  {
    auto* out = new RTM::ManagerList;
    out->length(static_cast<CORBA::ULong>(list.size()));
    for (size_t i = 0; i < list.size(); ++i)
      (*out)[static_cast<CORBA::ULong>(i)] = RTM::Manager::_duplicate(list[i].in());
    return out;
  }

  RTC::ReturnCode_t ManagerPeers::addMaster(RTM::Manager_ptr mgr)
  {
    RTM::Manager_var ref = bounded(mgr);
    std::lock_guard<std::mutex> lock(m_mutex);
    return add(m_masters, ref.in());
  }

  RTC::ReturnCode_t ManagerPeers::removeMaster(RTM::Manager_ptr mgr)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return remove(m_masters, mgr);
  }

  RTC::ReturnCode_t ManagerPeers::addSlave(RTM::Manager_ptr mgr)
  {
    RTM::Manager_var ref = bounded(mgr);
    std::lock_guard<std::mutex> lock(m_mutex);
    // A manager that lists itself would ask itself for its own components without end.
    if (equivalent(m_self.in(), mgr))
      return RTC::BAD_PARAMETER;
    const RTC::ReturnCode_t ret = add(m_slaves, ref.in());
    if (ret == RTC::RTC_OK)
      RTM_LOG_INFO("manager", "slave manager added");
    return ret;
  }

  RTC::ReturnCode_t ManagerPeers::removeSlave(RTM::Manager_ptr mgr)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return remove(m_slaves, mgr);
  }

  RTM::ManagerList* ManagerPeers::masters()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return copy(m_masters);
  }

  RTM::ManagerList* ManagerPeers::slaves()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return copy(m_slaves);
  }

  std::vector<RTM::Manager_var> ManagerPeers::slaveSnapshot()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slaves;
  }

  void ManagerPeers::forEachSlave(const std::function<void(RTM::Manager_ptr)>& call)
  {
    for (const RTM::Manager_var& slave : slaveSnapshot())
    {
      try
      {
        call(slave.in());
      }
      catch (const CORBA::SystemException& e)
      {
        RTM_LOG_WARN("manager", "slave manager did not answer (" << e._name() << "); dropped");
        removeSlave(slave.in());
      }
    }
  }

  void ManagerPeers::dropDeadSlaves()
  {
    forEachSlave([](RTM::Manager_ptr slave) {
      if (slave->_non_existent())
        throw CORBA::OBJECT_NOT_EXIST();
    });
  }

  RTM::Manager_ptr ManagerPeers::resolveMaster(const std::string& corbaloc) const
  {
    try
    {
      CORBA::Object_var obj = m_orb->string_to_object(corbaloc.c_str());
      RTM::Manager_ptr master = RTM::Manager::_unchecked_narrow(obj.in());
      limitCallTime(master, m_callTimeoutMs);
      return master;
    }
    catch (const CORBA::Exception&)
    {
      return RTM::Manager::_nil();
    }
  }

  void ManagerPeers::keepRegistered(const std::string& masterAddress, const std::string& corbaloc)
  {
    if (!acceptsConnections(masterAddress, static_cast<int>(m_callTimeoutMs)))
    {
      RTM_LOG_DEBUG("manager", "no master listens at " << masterAddress << " yet");
      return;
    }
    RTM::Manager_var master;
    RTM::Manager_var self;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      self = m_self;
      if (CORBA::is_nil(m_master))
      {
        // A corbaloc names the object without asking anyone; the calls below find out.
        m_master = resolveMaster(corbaloc);
      }
      master = m_master;
    }
    if (CORBA::is_nil(self) || CORBA::is_nil(master))
      return;
    try
    {
      RTM::ManagerList_var listed = master->get_slave_managers();
      for (CORBA::ULong i = 0; i < listed->length(); ++i)
        if (equivalent(listed[i].in(), self.in()))
          return;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        add(m_masters, master.in());  // already listed after an earlier registration: kept once
      }
      const RTC::ReturnCode_t ret = master->add_slave_manager(self.in());
      if (ret == RTC::RTC_OK)
        RTM_LOG_INFO("manager", "registered as a slave of " << corbaloc);
      else
        RTM_LOG_WARN("manager", "master " << corbaloc << " refused this slave (" << ret << ")");
    }
    catch (const CORBA::Exception& e)
    {
      RTM_LOG_DEBUG("manager", "no master at " << corbaloc << " yet (" << e._name() << ")");
    }
  }

  void ManagerPeers::unregister()
  {
    std::vector<RTM::Manager_var> masters;
    RTM::Manager_var self;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      masters = m_masters;
      self = m_self;
    }
    for (const RTM::Manager_var& master : masters)
    {
      try
      {
        master->remove_slave_manager(self.in());
      }
      catch (const CORBA::Exception&)
      {
        // Gone already: nothing to tell it.
      }
    }
  }
}
