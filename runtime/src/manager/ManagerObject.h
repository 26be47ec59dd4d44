// The manager as a CORBA object (unless manager.corba_servant is NO): its servant on omniORB's
// INS POA under manager.name, so that it is reachable as corbaloc::<host>:<port>/<manager.name>
// without a naming service, and its links to master and slave managers.
#pragma once

#include <coil/Properties.h>
#include <rtm/idl/ManagerSkel.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace rtm
{
  class ManagerCore;
  class ManagerPeers;
  class ManagerSettings;
  class NamingManager;

  class ManagerObject
  {
  public:
    // Calls to the object wait (its POA holds them) until activate().
    ManagerObject(ManagerCore& core, CORBA::ORB_ptr orb, ManagerSettings& settings, const std::string& corbalocScheme);
    ~ManagerObject();

    // Lets calls in. A master binds itself in naming; a slave checks its master's address.
    // Returns when the first round of links is due: at once for a slave, so that a master that
    // is slow or missing does not hold up the start. `report` takes each start-up problem.
    std::chrono::steady_clock::time_point activate(NamingManager& naming,
                                                   const std::function<void(const std::string&)>& report);
    // One round of links, from `cfg` (manager.is_master, corba.master_manager, manager.name): a
    // slave keeps itself registered with its master; a master forgets slaves that are gone.
    void keepLinks(const coil::Properties& cfg);
    // At shutdown: every master forgets this manager.
    void unregister();

  private:
    ManagerSettings& m_settings;
    const std::string m_corbalocScheme;
    std::unique_ptr<ManagerPeers> m_peers;
    PortableServer::POA_var m_insPoa;
    RTM::Manager_var m_selfRef;
  };
}
