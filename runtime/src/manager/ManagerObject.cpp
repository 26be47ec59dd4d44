#include "manager/ManagerObject.h"

#include "config/InstanceName.h"
#include "config/NamingFormat.h"
#include "manager/ManagerPeers.h"
#include "manager/ManagerServant.h"
#include "manager/ManagerSettings.h"
#include "naming/NamingManager.h"

namespace rtm
{
  ManagerObject::ManagerObject(ManagerCore& core, CORBA::ORB_ptr orb, ManagerSettings& settings,
                               const std::string& corbalocScheme)
    : m_settings(settings), m_corbalocScheme(corbalocScheme)
  {
    const coil::Properties cfg = settings.settings();
    const double timeout =
      std::chrono::duration<double>(ManagerSettings::seconds(cfg, "manager.call_timeout", 2.0)).count();
    m_peers = std::make_unique<ManagerPeers>(orb, static_cast<unsigned long>(timeout * 1000));
    CORBA::Object_var obj = orb->resolve_initial_references("omniINSPOA");
    m_insPoa = PortableServer::POA::_narrow(obj.in());
    ManagerServant* servant = new ManagerServant(core, *m_peers);
    PortableServer::ObjectId_var oid = PortableServer::string_to_ObjectId(cfg.getProperty("manager.name").c_str());
    m_insPoa->activate_object_with_id(oid.in(), servant);
    servant->_remove_ref();  // the POA holds it from now on
    obj = m_insPoa->id_to_reference(oid.in());
    m_selfRef = RTM::Manager::_narrow(obj.in());
    m_peers->setSelf(m_selfRef.in());
  }

  ManagerObject::~ManagerObject() = default;

  std::chrono::steady_clock::time_point ManagerObject::activate(NamingManager& naming,
                                                                const std::function<void(const std::string&)>& report)
  {
    PortableServer::POAManager_var insManager = m_insPoa->the_POAManager();
    insManager->activate();
    coil::Properties cfg = m_settings.settings();
    if (!ManagerSettings::yes(cfg, "manager.is_master", false))
    {
      RTM::Manager_var master = m_peers->resolveMaster(m_corbalocScheme + cfg.getProperty("corba.master_manager") +
                                                       "/" + cfg.getProperty("manager.name"));
      if (CORBA::is_nil(master))
        report("corba.master_manager '" + cfg.getProperty("corba.master_manager") +
               "' is not an address of the form host:port");
      return std::chrono::steady_clock::now();
    }
    cfg.setProperty("instance_name", cfg.getProperty("manager.instance_name"));
    for (const std::string& name : config::namingNames(cfg.getProperty("manager.naming_formats"), cfg))
    {
      // The configuration was checked at start-up; set_configuration may have changed it since.
      const std::string problem = config::namingNameProblem(name);
      if (problem.empty())
        naming.bindObject(name, m_selfRef.in());
      else
        report("manager.naming_formats: '" + config::printable(name) + "' " + problem + "; not bound");
    }
    return std::chrono::steady_clock::now() + ManagerSettings::seconds(cfg, "naming.update.interval", 10.0);
  }

  void ManagerObject::keepLinks(const coil::Properties& cfg)
  {
    if (ManagerSettings::yes(cfg, "manager.is_master", false))
      m_peers->dropDeadSlaves();
    else
      m_peers->keepRegistered(cfg.getProperty("corba.master_manager"), m_corbalocScheme +
                                                                         cfg.getProperty("corba.master_manager") + "/" +
                                                                         cfg.getProperty("manager.name"));
  }

  void ManagerObject::unregister() { m_peers->unregister(); }
}
