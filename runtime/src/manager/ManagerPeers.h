// The managers one manager is linked with: its masters and its slaves. A slave keeps itself
// registered with the master at corba.master_manager; a master asks its slaves for their
// components and forgets a slave that does not answer. Every call to another manager is bounded
// by a call timeout, so a dead or cut-off peer costs that time at most and is never an error.
//
// No lock is held across a call to another manager.
#pragma once

#include <rtm/RTC.h>
#include <rtm/idl/ManagerSkel.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace rtm
{
  class ManagerPeers
  {
  public:
    ManagerPeers(CORBA::ORB_ptr orb, unsigned long callTimeoutMs);

    // This manager's own object, which a slave gives its master.
    void setSelf(RTM::Manager_ptr self);

    // The list operations of RTM::Manager: nil, a duplicate or an unknown reference is
    // BAD_PARAMETER; references are compared by address and key, without calling them.
    RTC::ReturnCode_t addMaster(RTM::Manager_ptr mgr);
    RTC::ReturnCode_t removeMaster(RTM::Manager_ptr mgr);
    RTC::ReturnCode_t addSlave(RTM::Manager_ptr mgr);
    RTC::ReturnCode_t removeSlave(RTM::Manager_ptr mgr);
    RTM::ManagerList* masters();
    RTM::ManagerList* slaves();

    // Calls `call` on each slave; a slave whose call fails with a system exception (dead,
    // unreachable, too slow) is dropped.
    void forEachSlave(const std::function<void(RTM::Manager_ptr)>& call);
    // Probes every slave and drops those that are gone.
    void dropDeadSlaves();

    // A slave's part, run at start-up and on the naming update timer: registers with the master
    // at `corbaloc` when it is not registered there yet, or no longer (the master restarted, or
    // dropped it while the link was down). A master that cannot be reached is tried next time;
    // with nothing listening at `masterAddress` (host:port) no call is made at all.
    void keepRegistered(const std::string& masterAddress, const std::string& corbaloc);
    // At shutdown: every master forgets this manager.
    void unregister();

    // The manager at `corbaloc` (not called yet), bounded; nil if the address is malformed.
    RTM::Manager_ptr resolveMaster(const std::string& corbaloc) const;

  private:
    static RTC::ReturnCode_t add(std::vector<RTM::Manager_var>& list, RTM::Manager_ptr mgr);
    static RTC::ReturnCode_t remove(std::vector<RTM::Manager_var>& list, RTM::Manager_ptr mgr);
    static RTM::ManagerList* copy(const std::vector<RTM::Manager_var>& list);
    RTM::Manager_ptr bounded(RTM::Manager_ptr mgr) const;
    std::vector<RTM::Manager_var> slaveSnapshot();

    CORBA::ORB_var m_orb;
    const unsigned long m_callTimeoutMs;
    std::mutex m_mutex;
    RTM::Manager_var m_self;
    RTM::Manager_var m_master;  // the one at corba.master_manager, once resolved
    std::vector<RTM::Manager_var> m_masters;
    std::vector<RTM::Manager_var> m_slaves;
  };
}
