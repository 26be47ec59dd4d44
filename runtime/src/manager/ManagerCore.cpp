#include "manager/ManagerCore.h"

#include "component/ComponentCore.h"
#include "config/ComponentArgs.h"
#include "config/NamingFormat.h"
#include "log/Logger.h"
#include "manager/ShutdownSignals.h"
#include "naming/NamingManager.h"

#include <coil/stringutil.h>
#include <rtm/RTObject.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <unistd.h>

namespace rtm
{
  namespace
  {
    constexpr char kWakeFinalized = 'F';
    constexpr char kWakeShutdown = 'Q';
    constexpr auto kWorkerTick = std::chrono::milliseconds(100);
    constexpr auto kServantDrainLimit = std::chrono::seconds(5);

    // Manager settings that every component carries in its own properties.
    const char* const kInheritedKeys[] = {
      "config.version", "openrtm.name", "openrtm.version", "os.name", "os.release", "os.version",
      "os.arch", "os.hostname", "corba.endpoint", "corba.id", "exec_cxt.periodic.type",
      "exec_cxt.periodic.rate", "exec_cxt.evdriven.type", "logger.enable", "logger.log_level",
      "naming.enable", "naming.type", "naming.formats", "sdo.service.consumer.enabled_services"};

    bool yes(const coil::Properties& p, const char* key, bool def)
    {
      return coil::toBool(p.getProperty(key), "YES", "NO", def);
    }

    std::chrono::milliseconds seconds(const coil::Properties& p, const char* key, double def)
    {
      const std::string text = p.getProperty(key);
      char* end = nullptr;
      double value = std::strtod(text.c_str(), &end);
      if (text.empty() || end == nullptr || *end != '\0' || !(value > 0))
        value = def;
      return std::chrono::milliseconds(static_cast<long long>(value * 1000.0));
    }

    std::string trimmed(std::string s)
    {
      coil::eraseBothEndsBlank(s);
      return s;
    }
  }

  ManagerCore::ManagerCore(RTC::Manager& self, const coil::Properties& cfg)
    : config(cfg), m_self(self), m_ownerThread(std::this_thread::get_id())
  {
    logger().configure(config.getProperty("logger.enable"), config.getProperty("logger.file_name"),
                       config.getProperty("logger.log_level"), config.getProperty("logger.date_format"));
    initOrb();
    const double retry = std::chrono::duration<double>(
        seconds(config, "naming.update.interval", 10.0)).count();
    m_naming = std::make_unique<NamingManager>(orb.in(), config.getProperty("corba.nameservers"),
                                               yes(config, "naming.enable", true), retry);

    if (::pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
      m_wakePipe[0] = m_wakePipe[1] = -1;
    ShutdownSignals::install(m_wakePipe[1]);
    const auto now = std::chrono::steady_clock::now();
    m_nextNamingUpdate = now + seconds(config, "naming.update.interval", 10.0);
    m_nextAutoShutdownCheck = now + seconds(config, "manager.auto_shutdown_duration", 10.0);
    m_worker = std::thread([this] { workerLoop(); });
  }

  ManagerCore::~ManagerCore()
  {
    if (m_worker.joinable())
      m_worker.join();
  }

  void ManagerCore::initOrb()
  {
    std::vector<std::string> args = {"rtm"};
    std::string endpoints = config.getProperty("corba.endpoints");
    if (endpoints.empty())
      endpoints = config.getProperty("corba.endpoint");
    for (std::string ep : coil::split(endpoints, ",", true))
    {
      ep = trimmed(ep);
      if (ep.empty())
        continue;
      if (ep.find(':') == std::string::npos)
        ep += ":";
      args.push_back("-ORBendPoint");
      args.push_back("giop:tcp:" + ep);
    }
    std::istringstream extra(config.getProperty("corba.args"));
    for (std::string word; extra >> word;)
      args.push_back(word);

    std::vector<char*> argv;
    for (std::string& a : args)
      argv.push_back(&a[0]);
    int argc = static_cast<int>(argv.size());
    // corba.id names the ORB product ("omniORB"); omniORB 4 only answers to its own identifier.
    orb = CORBA::ORB_init(argc, argv.data(), "omniORB4");
    CORBA::Object_var obj = orb->resolve_initial_references("RootPOA");
    poa = PortableServer::POA::_narrow(obj.in());
    poaManager = poa->the_POAManager();
  }

  bool ManagerCore::activate()
  {
    poaManager->activate();
    if (moduleInitProc != nullptr)
      moduleInitProc(&m_self);
    preCreate();
    preActivate();
    return true;
  }

  void ManagerCore::preCreate()
  {
    for (const std::string& arg : coil::split(config.getProperty("manager.components.precreate"), ",", true))
      if (!trimmed(arg).empty())
        createComponent(trimmed(arg));
  }

  void ManagerCore::preActivate()
  {
    for (const std::string& name : coil::split(config.getProperty("manager.components.preactivation"), ",", true))
    {
      RTC::RTObject_impl* comp = findComponent(trimmed(name));
      if (comp == nullptr)
        continue;
      RTC::ExecutionContext_var ec = comp->get_context(0);
      if (!CORBA::is_nil(ec))
        ec->activate_component(comp->getObjRef());
    }
  }

  void ManagerCore::run(bool noBlock)
  {
    if (noBlock)
      return;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_running = true;
      m_doneCv.wait(lock, [this] { return m_shutdownDone; });
      m_running = false;
    }
    if (m_worker.joinable())
      m_worker.join();
    orb->destroy();
  }

  void ManagerCore::requestShutdown()
  {
    wake(kWakeShutdown);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_shutdownRequested = true;
    // The main thread outside runManager would otherwise return while components still run;
    // any other thread (a handler, an ORB call) must not wait for a sequence that waits for it.
    if (std::this_thread::get_id() == m_ownerThread && !m_running)
    {
      m_doneCv.wait(lock, [this] { return m_shutdownDone; });
      lock.unlock();
      if (m_worker.joinable())
        m_worker.join();
      orb->destroy();
    }
  }

  bool ManagerCore::registerFactory(const coil::Properties& profile, RTC::RtcNewFunc create,
                                    RTC::RtcDeleteFunc destroy)
  {
    if (create == nullptr || destroy == nullptr || profile.getProperty("implementation_id").empty())
      return false;
    auto factory = std::make_unique<ComponentFactory>(profile, create, destroy);
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& existing : m_factories)
      if (existing->sameTypeAs(*factory))
        return false;
    m_factories.push_back(std::move(factory));
    return true;
  }

  std::vector<coil::Properties> ManagerCore::factoryProfiles()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<coil::Properties> profiles;
    for (const auto& f : m_factories)
      profiles.push_back(f->profile());
    return profiles;
  }

  coil::Properties ManagerCore::instanceProperties(const ComponentFactory& factory,
                                                   const coil::Properties& args, int slot)
  {
    coil::Properties prop;
    for (const char* key : kInheritedKeys)
      prop.setProperty(key, config.getProperty(key));
    prop << factory.profile();
    prop << args;

    const std::string category = prop.getProperty("category");
    const std::string generatedName = prop.getProperty("type_name") + std::to_string(slot);
    // Per-type, then per-instance settings from the configuration: a node of rtc.conf, and the
    // file its config_file names.
    for (const std::string& key : {category + "." + prop.getProperty("type_name"), category + "." + generatedName})
    {
      const coil::Properties* node = config.findNode(key);
      if (node == nullptr)
        continue;
      const std::string file = node->getProperty("config_file");
      if (!file.empty())
      {
        std::ifstream in(file);
        if (in)
          prop.load(in);
        else
          RTM_LOG_WARN("manager", "cannot read component configuration file '" << file << "'");
      }
      prop << *node;
    }
    if (prop.getProperty("instance_name").empty())
      prop.setProperty("instance_name", generatedName);
    return prop;
  }

  RTC::RTObject_impl* ManagerCore::createComponent(const std::string& argText)
  {
    config::ComponentArgs args;
    std::string error;
    if (!config::parseComponentArgs(argText, args, error))
    {
      RTM_LOG_ERROR("manager", "createComponent(" << argText << "): " << error);
      return nullptr;
    }

    ComponentFactory* factory = nullptr;
    int slot = -1;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_shutdownRequested)
        return nullptr;
      for (const auto& f : m_factories)
        if (f->matches(args))
          factory = f.get();
      if (factory == nullptr)
      {
        RTM_LOG_ERROR("manager", "no factory for '" << argText << "'");
        return nullptr;
      }
      slot = factory->acquireSlot();
      if (slot < 0)
      {
        RTM_LOG_ERROR("manager", "'" << argText << "': max_instance reached");
        return nullptr;
      }
    }

    RTC::RTObject_impl* comp = nullptr;
    try
    {
      comp = factory->create(&m_self);
    }
    catch (...)
    {
      comp = nullptr;
    }
    if (comp == nullptr)
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      factory->releaseSlot(slot);
      return nullptr;
    }

    Entry entry{comp, factory, slot, {}};
    comp->setProperties(instanceProperties(*factory, args.instanceProps, slot));
    RTC::ReturnCode_t ret = RTC::RTC_ERROR;
    try
    {
      ret = comp->initialize();
    }
    catch (...)
    {
      ret = RTC::RTC_ERROR;
    }
    if (ret != RTC::RTC_OK)
    {
      RTM_LOG_ERROR("manager", "initialisation of '" << argText << "' failed (" << ret << ")");
      comp->m_core->discard();
      destroyComponent(entry);
      return nullptr;
    }

    coil::Properties& prop = comp->getProperties();
    coil::Properties namingContext(prop);
    namingContext.setProperty("manager.name", config.getProperty("manager.name"));
    namingContext.setProperty("manager.pid", config.getProperty("manager.pid"));
    entry.names = config::namingNames(prop.getProperty("naming.formats"), namingContext);
    std::string joined;
    for (const std::string& name : entry.names)
      joined += (joined.empty() ? "" : ",") + name;
    // Set before the first binding: from then on clients read the properties from ORB threads.
    prop.setProperty("naming.names", joined);
    for (const std::string& name : entry.names)
      m_naming->bindObject(name, comp->getObjRef());

    std::lock_guard<std::mutex> lock(m_mutex);
    m_components.push_back(entry);
    RTM_LOG_INFO("manager", "created " << comp->getInstanceName());
    return comp;
  }

  // Unbinds, waits until no call runs in the component's servants, then hands it back to its
  // factory. A component that cannot drain is leaked rather than freed under a running call.
  void ManagerCore::destroyComponent(const Entry& entry)
  {
    for (const std::string& name : entry.names)
      m_naming->unbindObject(name);
    const auto limit = std::chrono::steady_clock::now() + kServantDrainLimit;
    while (!entry.comp->m_core->servantsGone())
    {
      if (std::chrono::steady_clock::now() > limit)
      {
        RTM_LOG_ERROR("manager", "a call is still running in a finalized component; not deleting it");
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // The number is free once nothing runs in the instance; whoever learns of the deletion from
    // the delete function may already create the next instance under it.
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      entry.factory->releaseSlot(entry.slot);
    }
    entry.factory->destroy(entry.comp);
  }

  void ManagerCore::deleteComponent(RTC::RTObject_impl* comp)
  {
    // exit() finalizes the component, which reports back through notifyFinalized.
    if (comp != nullptr)
      comp->exit();
  }

  std::vector<RTC::RTObject_impl*> ManagerCore::components()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<RTC::RTObject_impl*> comps;
    for (const Entry& e : m_components)
      comps.push_back(e.comp);
    return comps;
  }

  RTC::RTObject_impl* ManagerCore::findComponent(const std::string& instanceName)
  {
    for (RTC::RTObject_impl* comp : components())
      if (instanceName == comp->getInstanceName())
        return comp;
    return nullptr;
  }

  void ManagerCore::notifyFinalized(RTC::RTObject_impl* comp)
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_finalized.push_back(comp);
    }
    wake(kWakeFinalized);
  }

  void ManagerCore::wake(char reason)
  {
    if (m_wakePipe[1] >= 0)
    {
      ssize_t written = ::write(m_wakePipe[1], &reason, 1);
      (void)written;  // a full pipe already holds a wake-up
    }
  }

  void ManagerCore::workerLoop()
  {
    for (;;)
    {
      pollfd pfd = {m_wakePipe[0], POLLIN, 0};
      ::poll(&pfd, m_wakePipe[0] >= 0 ? 1 : 0, static_cast<int>(kWorkerTick.count()));
      bool signalled = false;
      char buffer[64];
      ssize_t n;
      while (m_wakePipe[0] >= 0 && (n = ::read(m_wakePipe[0], buffer, sizeof buffer)) > 0)
        for (ssize_t i = 0; i < n; ++i)
          signalled = signalled || buffer[i] == ShutdownSignals::kSignalByte || buffer[i] == kWakeShutdown;

      bool shutdown = false;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shutdownRequested = m_shutdownRequested || signalled;
        shutdown = m_shutdownRequested;
      }
      if (shutdown)
      {
        shutdownSequence();
        return;
      }
      cleanupFinalized();
      if (yes(config, "timer.enable", true))
        runTimers(std::chrono::steady_clock::now());
    }
  }

  void ManagerCore::runTimers(std::chrono::steady_clock::time_point now)
  {
    if (now >= m_nextNamingUpdate)
    {
      m_nextNamingUpdate = now + seconds(config, "naming.update.interval", 10.0);
      if (yes(config, "naming.update.enable", true))
        m_naming->update(yes(config, "naming.update.rebind", false));
    }
    const bool master = yes(config, "manager.is_master", false);
    if (!master && now >= m_nextAutoShutdownCheck)
    {
      m_nextAutoShutdownCheck = now + seconds(config, "manager.auto_shutdown_duration", 10.0);
      std::lock_guard<std::mutex> lock(m_mutex);
      if (yes(config, "manager.shutdown_auto", true) && m_components.empty())
      {
        RTM_LOG_INFO("manager", "no component left: shutting down");
        m_shutdownRequested = true;
        wake(kWakeShutdown);
      }
    }
  }

  void ManagerCore::cleanupFinalized()
  {
    for (;;)
    {
      Entry entry{};
      bool lastOne = false;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_finalized.empty())
          return;
        RTC::RTObject_impl* comp = m_finalized.front();
        m_finalized.pop_front();
        auto it = std::find_if(m_components.begin(), m_components.end(),
                               [comp](const Entry& e) { return e.comp == comp; });
        if (it == m_components.end())
          continue;
        entry = *it;
        m_components.erase(it);
        lastOne = m_components.empty();
      }
      destroyComponent(entry);
      if (lastOne && yes(config, "manager.shutdown_on_nortcs", true) &&
          !yes(config, "manager.is_master", false))
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shutdownRequested = true;
        wake(kWakeShutdown);
      }
    }
  }

  // Every component exits (deactivated, finalized, its ports disconnected so that peers drop
  // their connectors), is unbound and deleted through its factory; then the ORB stops.
  void ManagerCore::shutdownSequence()
  {
    std::vector<Entry> entries;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      entries.assign(m_components.rbegin(), m_components.rend());
    }
    for (const Entry& e : entries)
    {
      try
      {
        e.comp->exit();
      }
      catch (...)
      {
        RTM_LOG_ERROR("manager", "exit of " << e.comp->getInstanceName() << " failed");
      }
    }
    for (const Entry& e : entries)
      destroyComponent(e);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_components.clear();
      m_finalized.clear();
    }
    m_naming->unbindAll();
    try
    {
      orb->shutdown(true);
    }
    catch (...)
    {
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shutdownDone = true;
    m_doneCv.notify_all();
  }
}
