#include "manager/ManagerCore.h"

#include "config/InstanceName.h"
#include "log/Logger.h"
#include "manager/ManagerObject.h"
#include "naming/NamingManager.h"

#include <iostream>

namespace rtm
{
  namespace
  {
    // Logging is configured before anything else, so that every part logs from its start.
    const coil::Properties& configureLogging(const coil::Properties& config)
    {
      logger().configure(config.getProperty("logger.enable"), config.getProperty("logger.file_name"),
                         config.getProperty("logger.log_level"), config.getProperty("logger.date_format"));
      return config;
    }

    std::unique_ptr<NamingManager> namingOf(CORBA::ORB_ptr orb, const coil::Properties& config)
    {
      const double retry =
        std::chrono::duration<double>(ManagerSettings::seconds(config, "naming.update.interval", 10.0)).count();
      return std::make_unique<NamingManager>(orb, config.getProperty("corba.nameservers"),
                                             ManagerSettings::yes(config, "naming.enable", true), retry);
    }
  }

  ManagerCore::ManagerCore(RTC::Manager& self, const coil::Properties& config, const std::string& program)
    : m_self(self), m_program(program), m_settings(configureLogging(config)), m_orb(config, program),
      m_naming(namingOf(m_orb.orb(), config)),
      m_types(self, config, [this](const std::string& modulePath) { return m_components.instancesOf(modulePath); }),
      m_components(
        self, m_settings, m_types, *m_naming, [this] { return m_worker.shutdownRequested(); }, program),
      m_object(ManagerSettings::yes(config, "manager.corba_servant", true)
                 ? std::make_unique<ManagerObject>(*this, m_orb.orb(), m_settings, m_orb.corbalocScheme())
                 : nullptr),
      m_startup(m_settings, m_types, m_components, program),
      m_timers(m_settings, *m_naming, m_object.get(), [this] { return m_components.isEmpty(); }),
      m_worker(ManagerWorker::Jobs{[this] { return destroyFinalized(); },
                                   [this](std::chrono::steady_clock::time_point now) { return m_timers.run(now); },
                                   [this] { shutdownSequence(); }, [this] { m_orb.orb()->destroy(); }})
  {}

  ManagerCore::~ManagerCore() = default;

  bool ManagerCore::activate()
  {
    m_orb.poaManager()->activate();
    m_startup.preload();
    if (m_moduleInitProc != nullptr)
      m_moduleInitProc(&m_self);
    m_startup.preCreate();
    m_startup.preConnect();
    m_startup.preActivate();
    // Last: until now calls to the manager's object wait (its POA holds them), so that a tool
    // never sees the manager half-way through its start-up, and a master is bound in naming, and
    // a slave registers, once it is ready.
    if (m_object)
      m_timers.startLinks(m_object->activate(*m_naming, [this](const std::string& line) { m_startup.report(line); }));
    return true;
  }

  void ManagerCore::notifyFinalized(RTC::RTObject_impl* comp)
  {
    m_components.queueFinalized(comp);
    m_worker.wakeForCleanup();
  }

  // A slave whose last component went shuts down (manager.shutdown_on_nortcs).
  bool ManagerCore::destroyFinalized()
  {
    if (!m_components.destroyFinalized())
      return false;
    const coil::Properties cfg = m_settings.settings({"manager.shutdown_on_nortcs", "manager.is_master"});
    return ManagerSettings::yes(cfg, "manager.shutdown_on_nortcs", true) &&
           !ManagerSettings::yes(cfg, "manager.is_master", false);
  }

  void ManagerCore::reportRefusal(const std::string& line)
  {
    // The log has the line already, from where the request failed; standard error gets it once.
    if (!logger().writesTo(stderr, LogLevel::Error))
      std::cerr << m_program << ": " << config::printable(line) << std::endl;
  }

  // Every component exits and is deleted, the names go, then the ORB stops.
  void ManagerCore::shutdownSequence()
  {
    if (m_object)
      m_object->unregister();
    m_components.destroyAll();
    m_naming->unbindAll();
    try
    {
      m_orb.orb()->shutdown(true);
    }
    catch (const CORBA::Exception& e)
    {
      // The ORB is stopping already (a second shutdown, or one from a component): the end we want.
      RTM_LOG_DEBUG("manager", "ORB shutdown: " << e._name());
    }
  }
}
