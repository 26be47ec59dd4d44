#include "manager/ManagerCore.h"

#include "component/ComponentCore.h"
#include "config/ComponentArgs.h"
#include "config/InstanceName.h"
#include "config/NamingFormat.h"
#include "config/Preconnect.h"
#include "log/Logger.h"
#include "manager/ManagerPeers.h"
#include "manager/ManagerServant.h"
#include "manager/PortPreconnect.h"
#include "manager/ShutdownSignals.h"
#include "naming/NamingManager.h"

#include <coil/stringutil.h>
#include <rtm/RTObject.h>
#include <rtm/detail/ReturnCodeName.h>
#include <rtm/detail/OrbTls.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <unistd.h>

namespace rtm
{
  namespace
  {
    constexpr char kWakeFinalized = 'F';
    constexpr char kWakeShutdown = 'Q';
    constexpr char kWakeStop = 'S';
    constexpr auto kWorkerTick = std::chrono::milliseconds(100);
    constexpr auto kServantDrainLimit = std::chrono::seconds(5);
    // deleteComponent waits this long for the component to leave; its exit is bounded by the
    // call timeouts of its ports, so this is only reached when something is badly stuck.
    constexpr auto kDeleteWaitLimit = std::chrono::seconds(15);
    // An exit() from a thread other than the owner's waits this long for the worker to stop:
    // the worker may be busy in a shutdown that waits for that very thread, and a process told
    // to exit must not hang.
    constexpr auto kExitWaitLimit = std::chrono::seconds(10);

    // Manager settings that every component carries in its own properties.
    const char* const kInheritedKeys[] = {"config.version",
                                          "openrtm.name",
                                          "openrtm.version",
                                          "os.name",
                                          "os.release",
                                          "os.version",
                                          "os.arch",
                                          "os.hostname",
                                          "corba.endpoint",
                                          "corba.id",
                                          "exec_cxt.periodic.type",
                                          "exec_cxt.periodic.rate",
                                          "exec_cxt.evdriven.type",
                                          "logger.enable",
                                          "logger.log_level",
                                          "naming.enable",
                                          "naming.type",
                                          "naming.formats",
                                          "sdo.service.consumer.enabled_service"};

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

    std::string joined(const std::vector<std::string>& items)
    {
      std::string out;
      for (const std::string& item : items)
        out += (out.empty() ? "" : ",") + item;
      return out;
    }

    // The ORB endpoint a master listens on: the port of corba.master_manager, on the host of the
    // first configured endpoint when that names one, else on the host of corba.master_manager
    // (localhost by default). The well-known port is where a manager takes orders, so it stays on
    // loopback unless asked otherwise.
    std::string masterEndpoint(const std::string& masterAddress, const std::vector<std::string>& endpoints)
    {
      const auto colon = masterAddress.rfind(':');
      const std::string port = colon == std::string::npos ? "2810" : masterAddress.substr(colon + 1);
      std::string host;
      if (!endpoints.empty())
        host = endpoints.front().substr(0, endpoints.front().rfind(':'));
      if (host.empty())
        host = colon == std::string::npos ? masterAddress : masterAddress.substr(0, colon);
      // omniORB binds the first address a name resolves to, which for localhost may be ::1
      // while tools that dial 127.0.0.1 find nothing there.
      if (host.empty() || host == "localhost")
        host = "127.0.0.1";
      return host + ":" + port;
    }

    OrbTls tlsOf(const coil::Properties& config)
    {
      OrbTls::Settings s;
      s.authorityFile = config.getProperty("corba.ssl.certificate_authority_file");
      s.keyFile = config.getProperty("corba.ssl.key_file");
      coil::eraseBothEndsBlank(s.authorityFile);
      coil::eraseBothEndsBlank(s.keyFile);
      s.keyPassword = config.getProperty("corba.ssl.key_file_password");
      s.verifyPeer = yes(config, "corba.ssl.verify_peer", true);
      return OrbTls(s);
    }
  }

  ManagerCore::ManagerCore(RTC::Manager& self, const coil::Properties& cfg, const std::string& program)
    : config(cfg), m_self(self), m_program(program), m_ownerThread(std::this_thread::get_id()),
      m_types(self, cfg, [this](const std::string& modulePath) { return instancesOf(modulePath); })
  {
    logger().configure(config.getProperty("logger.enable"), config.getProperty("logger.file_name"),
                       config.getProperty("logger.log_level"), config.getProperty("logger.date_format"));
    initOrb();
    const double retry = std::chrono::duration<double>(seconds(config, "naming.update.interval", 10.0)).count();
    m_naming = std::make_unique<NamingManager>(orb.in(), config.getProperty("corba.nameservers"),
                                               yes(config, "naming.enable", true), retry);
    if (yes(config, "manager.corba_servant", true))
      createManagerServant();

    if (::pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
      m_wakePipe[0] = m_wakePipe[1] = -1;
    ShutdownSignals::install(m_wakePipe[1]);
    const auto now = std::chrono::steady_clock::now();
    m_nextNamingUpdate = now + seconds(config, "naming.update.interval", 10.0);
    m_nextAutoShutdownCheck = now + seconds(config, "manager.auto_shutdown_duration", 10.0);
    m_pid = ::getpid();
    m_worker = std::thread([this] { workerLoop(); });
    m_workerId = m_worker.get_id();
  }

  ManagerCore::~ManagerCore()
  {
    if (m_worker.joinable())
      m_worker.join();
  }

  void ManagerCore::initOrb()
  {
    std::vector<std::string> endpoints;
    std::string configured = config.getProperty("corba.endpoints");
    if (configured.empty())
      configured = config.getProperty("corba.endpoint");
    for (std::string ep : coil::split(configured, ",", true))
    {
      if (ep.find(':') == std::string::npos)
        ep += ":";
      endpoints.push_back(ep);
    }
    // With TLS, every endpoint is TLS only, so that no object reference carries a plain address;
    // omniORB's own default endpoint would be plain TCP.
    const OrbTls tls = tlsOf(config);
    if (tls.enabled())
    {
      const std::string problem = tls.problem();
      if (!problem.empty())
      {
        std::cerr << m_program << ": " << problem << std::endl;
        std::exit(1);
      }
      tls.install();
      m_corbalocScheme = tls.corbalocScheme();
    }
    // A master is found at the port of corba.master_manager: that endpoint comes first, so that
    // its object references carry it.
    if (yes(config, "manager.is_master", false) && yes(config, "manager.corba_servant", true))
      endpoints.insert(endpoints.begin(), masterEndpoint(config.getProperty("corba.master_manager"), endpoints));
    if (tls.enabled() && endpoints.empty())
      endpoints.push_back(":");

    std::vector<std::string> args = {"rtm"};
    for (const std::string& ep : endpoints)
    {
      args.push_back("-ORBendPoint");
      args.push_back(tls.endpointScheme() + ep);
    }
    std::istringstream extra(config.getProperty("corba.args"));
    for (std::string word; extra >> word;)
      args.push_back(word);

    std::vector<char*> argv;
    for (std::string& a : args)
      argv.push_back(&a[0]);
    int argc = static_cast<int>(argv.size());
    // The SSL transport is in every program; without TLS settings it would warn, at omniORB's
    // default trace level, that it is off, which is no news. A trace level the user asks for
    // (corba.args, ORBtraceLevel in the environment) still wins.
    const CORBA::ULong traceLevel = omniORB::traceLevel;
    const bool quiet = !tls.enabled() && config.getProperty("corba.args").find("-ORBtraceLevel") == std::string::npos;
    if (quiet)
      omniORB::traceLevel = 0;
    try
    {
      // corba.id names the ORB product ("omniORB"); omniORB 4 only answers to its own identifier.
      orb = CORBA::ORB_init(argc, argv.data(), "omniORB4");
      if (quiet && omniORB::traceLevel == 0)
        omniORB::traceLevel = traceLevel;
      CORBA::Object_var obj = orb->resolve_initial_references("RootPOA");
      poa = PortableServer::POA::_narrow(obj.in());
      poaManager = poa->the_POAManager();
    }
    catch (const CORBA::Exception& e)
    {
      // Nothing runs yet: the usual cause is an endpoint already taken (a second master on the
      // same port) or an address of no interface of this host.
      std::cerr << m_program << ": cannot start the ORB on endpoints '" << joined(endpoints) << "' (" << e._name()
                << "): is the port in use?" << std::endl;
      std::exit(1);
    }
  }

  // The manager's object lives on omniORB's INS POA under the key manager.name, so that it is
  // reachable as corbaloc::<host>:<port>/<manager.name> without a naming service.
  void ManagerCore::createManagerServant()
  {
    const double timeout = std::chrono::duration<double>(seconds(config, "manager.call_timeout", 2.0)).count();
    m_peers = std::make_unique<ManagerPeers>(orb.in(), static_cast<unsigned long>(timeout * 1000));
    CORBA::Object_var obj = orb->resolve_initial_references("omniINSPOA");
    m_insPoa = PortableServer::POA::_narrow(obj.in());
    m_servant = new ManagerServant(*this, *m_peers);
    PortableServer::ObjectId_var oid = PortableServer::string_to_ObjectId(config.getProperty("manager.name").c_str());
    m_insPoa->activate_object_with_id(oid.in(), m_servant);
    m_servant->_remove_ref();  // the POA holds it from now on
    obj = m_insPoa->id_to_reference(oid.in());
    m_selfRef = RTM::Manager::_narrow(obj.in());
    m_peers->setSelf(m_selfRef.in());
  }

  void ManagerCore::activateManagerServant()
  {
    if (!m_peers)
      return;
    PortableServer::POAManager_var insManager = m_insPoa->the_POAManager();
    insManager->activate();
    if (!isMaster())
    {
      // The first registration with the master is tried by the worker at once, so that a
      // master that is slow or missing does not hold up the start.
      RTM::Manager_var master =
        m_peers->resolveMaster(m_corbalocScheme + setting("corba.master_manager") + "/" + setting("manager.name"));
      if (CORBA::is_nil(master))
        reportStartupProblem("corba.master_manager '" + setting("corba.master_manager") +
                             "' is not an address of the form host:port");
      std::lock_guard<std::mutex> lock(m_mutex);
      m_nextLinkUpdate = std::chrono::steady_clock::now();
      return;
    }
    coil::Properties naming = settings();
    naming.setProperty("instance_name", naming.getProperty("manager.instance_name"));
    for (const std::string& name : config::namingNames(naming.getProperty("manager.naming_formats"), naming))
    {
      // The configuration was checked at start-up; set_configuration may have changed it since.
      const std::string problem = config::namingNameProblem(name);
      if (problem.empty())
        m_naming->bindObject(name, m_selfRef.in());
      else
        reportStartupProblem("manager.naming_formats: '" + config::printable(name) + "' " + problem + "; not bound");
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nextLinkUpdate = std::chrono::steady_clock::now() + seconds(naming, "naming.update.interval", 10.0);
  }

  bool ManagerCore::activate()
  {
    poaManager->activate();
    preload();
    if (moduleInitProc != nullptr)
      moduleInitProc(&m_self);
    preCreate();
    preConnect();
    preActivate();
    // Last: until now calls to the manager's object wait (its POA holds them), so that a tool
    // never sees the manager half-way through its start-up, and a master is bound in naming, and
    // a slave registers, once it is ready.
    activateManagerServant();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_activated = true;
    return true;
  }

  void ManagerCore::reportStartupProblem(const std::string& line)
  {
    RTM_LOG_ERROR("manager", line);
    std::cerr << m_program << ": " << line << std::endl;
  }

  void ManagerCore::reportRefusal(const std::string& line)
  {
    // The log has the line already, from where the request failed; standard error gets it once.
    if (!logger().writesTo(stderr, LogLevel::Error))
      std::cerr << m_program << ": " << config::printable(line) << std::endl;
  }

  // manager.modules.preload: "file" or "file(initfunc)", comma separated.
  void ManagerCore::preload()
  {
    for (std::string file : coil::split(setting("manager.modules.preload"), ",", true))
    {
      std::string init;
      const auto open = file.find('(');
      if (open != std::string::npos)
      {
        if (file.back() != ')')
        {
          reportStartupProblem("malformed manager.modules.preload entry '" + file + "': expected file(initfunc)");
          continue;
        }
        init = file.substr(open + 1, file.size() - open - 2);
        file.erase(open);
        coil::eraseBothEndsBlank(init);
        coil::eraseBothEndsBlank(file);
      }
      std::string error;
      if (m_types.load(file, init, error) != RTC::RTC_OK)
        reportStartupProblem(error);
    }
  }

  void ManagerCore::preCreate()
  {
    for (const std::string& arg : coil::split(setting("manager.components.precreate"), ",", true))
    {
      std::string error;
      if (!arg.empty() && createComponent(arg, error) == nullptr)
        reportStartupProblem(error);
    }
  }

  void ManagerCore::preConnect()
  {
    const config::PreconnectList list = config::parsePreconnect(setting("manager.components.preconnect"));
    for (const std::string& error : list.errors)
      reportStartupProblem(error);
    for (const config::Preconnection& connection : list.connections)
    {
      RTC::RTObject_impl* comp0 = findComponent(connection.component0);
      RTC::RTObject_impl* comp1 = findComponent(connection.component1);
      std::string error;
      if (comp0 == nullptr || comp1 == nullptr)
        error = "no component named '" + (comp0 == nullptr ? connection.component0 : connection.component1) + "'";
      else
        connectPreconnection(connection, comp0->getObjRef(), comp1->getObjRef(), error);
      if (!error.empty())
        reportStartupProblem("preconnect '" + connection.text + "': " + error);
    }
  }

  void ManagerCore::preActivate()
  {
    for (const std::string& name : coil::split(setting("manager.components.preactivation"), ",", true))
    {
      const std::string problem = config::instanceNameProblem(name);
      if (!problem.empty())
      {
        reportStartupProblem("preactivation: component name '" + config::printable(name) + "' " + problem);
        continue;
      }
      RTC::RTObject_impl* comp = findComponent(name);
      RTC::ExecutionContext_var ec = comp != nullptr ? comp->get_context(0) : RTC::ExecutionContext::_nil();
      const RTC::ReturnCode_t ret = CORBA::is_nil(ec) ? RTC::BAD_PARAMETER : ec->activate_component(comp->getObjRef());
      if (comp == nullptr)
        reportStartupProblem("preactivation: no component named '" + name + "'");
      else if (ret != RTC::RTC_OK)
        reportStartupProblem("preactivation of '" + name + "' refused (" + returnCodeName(ret) + ")");
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
    finish();
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
      finish();
    }
  }

  void ManagerCore::stopAtExit()
  {
    // The worker cannot wait for itself; once it has called exit nothing runs behind it there.
    // A forked child has no worker to wait for.
    const std::thread::id caller = std::this_thread::get_id();
    if (caller == m_workerId || ::getpid() != m_pid)
      return;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_finished)
      return;
    if (caller == m_ownerThread)
    {
      // As shutdown() there: nothing the sequence waits for runs on this thread. The ORB is
      // left shut down, not destroyed: static objects of the program may still hold references
      // and type codes, which omniORB's own clean-up after them releases.
      m_shutdownRequested = true;
      lock.unlock();
      wake(kWakeShutdown);
      lock.lock();
      m_doneCv.wait(lock, [this] { return m_shutdownDone; });
      if (m_finishing)
        return;
      m_finishing = true;
      lock.unlock();
      m_worker.join();
      return;
    }
    // Any other thread may be one the sequence would wait for: a component's execution context
    // (its tick is this exit), a call the ORB serves. The worker only finishes what it has (the
    // components already finalized) and stops; the components still running stay as they are.
    m_stopWorker = true;
    lock.unlock();
    wake(kWakeStop);
    lock.lock();
    if (!m_doneCv.wait_for(lock, kExitWaitLimit, [this] { return m_workerGone; }) || m_finishing)
      return;
    m_finishing = true;
    lock.unlock();
    m_worker.join();
  }

  // Whoever gets here first after the shutdown sequence joins the worker and destroys the ORB:
  // runManager or a shutdown() that waits; the exit handler only joins, under the same claim.
  void ManagerCore::finish()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_finishing)
        return;
      m_finishing = true;
    }
    if (m_worker.joinable())
      m_worker.join();
    orb->destroy();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = true;
  }

  coil::Properties ManagerCore::settings()
  {
    std::lock_guard<std::mutex> lock(m_configMutex);
    return config;
  }

  coil::Properties ManagerCore::settings(std::initializer_list<const char*> keys)
  {
    std::lock_guard<std::mutex> lock(m_configMutex);
    coil::Properties some;
    for (const char* key : keys)
      some.setProperty(key, config.getProperty(key));
    return some;
  }

  std::string ManagerCore::setting(const std::string& key)
  {
    std::lock_guard<std::mutex> lock(m_configMutex);
    return config.getProperty(key);
  }

  void ManagerCore::changeSetting(const std::string& key, const std::string& value)
  {
    std::lock_guard<std::mutex> lock(m_configMutex);
    config.setProperty(key, value);
  }

  bool ManagerCore::isMaster() { return coil::toBool(setting("manager.is_master"), "YES", "NO", false); }

  coil::Properties ManagerCore::instanceProperties(const ComponentFactory& factory, const coil::Properties& args,
                                                   int slot)
  {
    const coil::Properties cfg = settings();
    coil::Properties prop;
    for (const char* key : kInheritedKeys)
      prop.setProperty(key, cfg.getProperty(key));
    prop << factory.profile();
    prop << args;

    const std::string category = prop.getProperty("category");
    const std::string generatedName = prop.getProperty("type_name") + std::to_string(slot);
    // Per-type, then per-instance settings from the configuration, over the ?arguments: the
    // file a node's config_file names, then the node itself. The instance is looked up by the
    // name the manager generates, even when ?instance_name= gives it another.
    for (const std::string& key : {category + "." + prop.getProperty("type_name"), category + "." + generatedName})
    {
      const coil::Properties* node = cfg.findNode(key);
      if (node == nullptr)
        continue;
      const std::string file = node->getProperty("config_file");
      if (!file.empty())
      {
        std::ifstream in(file);
        std::error_code ignored;
        const char* problem = !in                                            ? std::strerror(errno)
                              : std::filesystem::is_directory(file, ignored) ? std::strerror(EISDIR)
                                                                             : nullptr;
        if (problem == nullptr)
        {
          prop.load(in);
        }
        else
        {
          // Logging is off by default, and a component silently running on other settings
          // than its file asks for is hard to find.
          const std::string line =
            "cannot read component configuration file '" + file + "' (" + key + ".config_file): " + problem;
          RTM_LOG_WARN("manager", line);
          std::cerr << m_program << ": " << line << std::endl;
        }
      }
      prop << *node;
    }
    if (prop.getProperty("instance_name").empty())
      prop.setProperty("instance_name", generatedName);
    return prop;
  }

  // The instance name becomes a naming-service path and appears in file names: it is checked
  // here, where every way of naming an instance (?instance_name=, rtc.conf, the generated name)
  // ends up, and so is every name the instance would be bound under.
  std::string ManagerCore::nameProblem(const coil::Properties& props)
  {
    const std::string refusal = config::instanceNameRefusal(props.getProperty("instance_name"));
    if (!refusal.empty())
      return refusal;
    coil::Properties namingContext(props);
    namingContext.setProperty("manager.name", setting("manager.name"));
    namingContext.setProperty("manager.pid", setting("manager.pid"));
    for (const std::string& name : config::namingNames(props.getProperty("naming.formats"), namingContext))
    {
      const std::string problem = config::namingNameProblem(name);
      if (!problem.empty())
        return "naming name '" + config::printable(name) + "' " + problem + ": check naming.formats";
    }
    return {};
  }

  RTC::RTObject_impl* ManagerCore::createComponent(const std::string& argText, std::string& error)
  {
    error.clear();
    config::ComponentArgs args;
    if (!config::parseComponentArgs(argText, args, error))
    {
      RTM_LOG_ERROR("manager", error);
      return nullptr;
    }
    // Quoted in every refusal below; the text comes from the caller and may hold line breaks.
    const std::string shown = config::printable(argText);
    std::shared_ptr<ComponentFactory> factory = m_types.find(shown, args, error);
    if (!factory)
    {
      RTM_LOG_ERROR("manager", error);
      return nullptr;
    }
    bool shuttingDown = false;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      shuttingDown = m_shutdownRequested;
    }
    const int slot = shuttingDown ? -1 : m_types.acquireSlot(*factory);
    if (slot < 0)
    {
      error = shuttingDown
                ? "'" + shown + "': the manager is shutting down"
                : "'" + shown + "': max_instance (" + factory->profile().getProperty("max_instance") + ") of type '" +
                    factory->profile().getProperty("type_name") + "' reached: delete an instance of it first";
      RTM_LOG_ERROR("manager", error);
      return nullptr;
    }

    // A name the caller gives is refused before any file is read on its behalf.
    coil::Properties props;
    error = args.instanceProps.getProperty("instance_name").empty() ? "" : nameProblem(args.instanceProps);
    if (error.empty())
    {
      props = instanceProperties(*factory, args.instanceProps, slot);
      error = nameProblem(props);
    }
    const std::string instanceName = props.getProperty("instance_name");
    if (!error.empty())
    {
      m_types.releaseSlot(*factory, slot);
      error = "'" + shown + "': " + error;
      RTM_LOG_ERROR("manager", error);
      return nullptr;
    }
    {
      // Two components of one name would share their naming bindings: the second is refused.
      std::lock_guard<std::mutex> lock(m_mutex);
      const bool taken = m_namesBeingCreated.count(instanceName) != 0 ||
                         std::any_of(m_components.begin(), m_components.end(),
                                     [&](const Entry& e) { return instanceName == e.comp->getInstanceName(); });
      if (taken)
      {
        m_types.releaseSlot(*factory, slot);
        error = "'" + shown + "': a component named '" + config::printable(instanceName) + "' exists already";
        RTM_LOG_ERROR("manager", error);
        return nullptr;
      }
      m_namesBeingCreated.insert(instanceName);
    }
    auto forgetName = [&] {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_namesBeingCreated.erase(instanceName);
    };

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
      m_types.releaseSlot(*factory, slot);
      forgetName();
      error = "'" + shown + "': the factory made no component";
      RTM_LOG_ERROR("manager", error);
      return nullptr;
    }

    Entry entry{comp, factory, slot, {}, 0};
    comp->setProperties(props);
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
      error = "initialisation of '" + shown + "' failed (" + returnCodeName(ret) + ")";
      RTM_LOG_ERROR("manager", error);
      comp->m_core->discard();
      destroyComponent(entry);
      forgetName();
      return nullptr;
    }

    coil::Properties& prop = comp->getProperties();
    coil::Properties namingContext(prop);
    namingContext.setProperty("manager.name", setting("manager.name"));
    namingContext.setProperty("manager.pid", setting("manager.pid"));
    entry.names = config::namingNames(prop.getProperty("naming.formats"), namingContext);
    // Set before the first binding: from then on clients read the properties from ORB threads.
    prop.setProperty("naming.names", joined(entry.names));
    for (const std::string& name : entry.names)
      m_naming->bindObject(name, comp->getObjRef());

    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_namesBeingCreated.erase(instanceName);
      // A shutdown that began meanwhile has already taken its list of components to exit: this
      // one would be missed, so it goes again at once.
      if (!m_shutdownRequested)
      {
        entry.id = m_nextEntryId++;
        m_components.push_back(entry);
        RTM_LOG_INFO("manager", "created " << comp->getInstanceName());
        return comp;
      }
    }
    comp->exit();
    destroyComponent(entry);
    error = "'" + shown + "': the manager is shutting down";
    RTM_LOG_ERROR("manager", error);
    return nullptr;
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
    m_types.releaseSlot(*entry.factory, entry.slot);
    entry.factory->destroy(entry.comp);
  }

  void ManagerCore::deleteComponent(RTC::RTObject_impl* comp)
  {
    // exit() finalizes the component, which reports back through notifyFinalized.
    if (comp != nullptr)
      comp->exit();
  }

  RTC::ReturnCode_t ManagerCore::deleteComponent(const std::string& instanceName, std::string& error)
  {
    RTC::RTObject_var ref;
    unsigned long id = 0;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      for (const Entry& e : m_components)
      {
        if (instanceName == e.comp->getInstanceName())
        {
          ref = RTC::RTObject::_duplicate(e.comp->getObjRef());
          id = e.id;
        }
      }
    }
    if (id == 0)
    {
      error = "no component named '" + config::printable(instanceName) + "'";
      RTM_LOG_ERROR("manager", error);
      return RTC::BAD_PARAMETER;
    }
    // Through the reference, so that a deletion running at the same time cannot free the
    // component under this call.
    try
    {
      ref->exit();
    }
    catch (const CORBA::SystemException&)
    {
      // Already leaving: wait for it below all the same.
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    const bool gone = m_destroyedCv.wait_for(lock, kDeleteWaitLimit, [&] {
      return m_destroying.count(id) == 0 &&
             std::none_of(m_components.begin(), m_components.end(), [&](const Entry& e) { return e.id == id; });
    });
    if (!gone)
    {
      error = "component '" + instanceName + "' did not finish exiting";
      RTM_LOG_ERROR("manager", error);
      return RTC::RTC_ERROR;
    }
    return RTC::RTC_OK;
  }

  std::vector<std::string> ManagerCore::instancesOf(const std::string& modulePath)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> names;
    for (const Entry& e : m_components)
      if (e.factory->modulePath == modulePath)
        names.push_back(e.comp->getInstanceName());
    return names;
  }

  std::vector<RTC::RTObject_impl*> ManagerCore::components()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<RTC::RTObject_impl*> comps;
    for (const Entry& e : m_components)
      comps.push_back(e.comp);
    return comps;
  }

  std::vector<RTC::RTObject_var> ManagerCore::componentRefs()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<RTC::RTObject_var> refs;
    for (const Entry& e : m_components)
      refs.push_back(RTC::RTObject::_duplicate(e.comp->getObjRef()));
    return refs;
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
      bool stop = false;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shutdownRequested = m_shutdownRequested || signalled;
        shutdown = m_shutdownRequested;
        stop = m_stopWorker;
      }
      if (stop)
      {
        cleanupFinalized();
        workerGone();
        return;
      }
      if (shutdown)
      {
        shutdownSequence();
        workerGone();
        return;
      }
      cleanupFinalized();
      if (coil::toBool(setting("timer.enable"), "YES", "NO", true))
        runTimers(std::chrono::steady_clock::now());
    }
  }

  void ManagerCore::workerGone()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_workerGone = true;
    }
    m_doneCv.notify_all();
  }

  void ManagerCore::runTimers(std::chrono::steady_clock::time_point now)
  {
    // This runs ten times a second; a round with nothing due touches no setting, so that an idle
    // manager allocates nothing between its timers.
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (now < m_nextNamingUpdate && now < m_nextAutoShutdownCheck && now < m_nextLinkUpdate)
        return;
    }
    // Read when due: the manager's object may change them. Only these keys are copied.
    const coil::Properties cfg =
      settings({"naming.update.interval", "naming.update.enable", "naming.update.rebind", "manager.is_master",
                "corba.master_manager", "manager.name", "manager.auto_shutdown_duration", "manager.shutdown_auto"});
    const auto interval = seconds(cfg, "naming.update.interval", 10.0);
    if (now >= m_nextNamingUpdate)
    {
      m_nextNamingUpdate = now + interval;
      if (yes(cfg, "naming.update.enable", true))
        m_naming->update(yes(cfg, "naming.update.rebind", false));
    }
    const bool master = yes(cfg, "manager.is_master", false);
    bool linksDue = false;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      linksDue = m_peers && m_activated && now >= m_nextLinkUpdate;
      if (linksDue || (!m_peers && now >= m_nextLinkUpdate))
        m_nextLinkUpdate = now + interval;
    }
    // A slave keeps itself registered with its master; a master forgets slaves that are gone.
    if (linksDue && master)
      m_peers->dropDeadSlaves();
    else if (linksDue)
      m_peers->keepRegistered(cfg.getProperty("corba.master_manager"), m_corbalocScheme +
                                                                         cfg.getProperty("corba.master_manager") + "/" +
                                                                         cfg.getProperty("manager.name"));

    if (now >= m_nextAutoShutdownCheck)
    {
      m_nextAutoShutdownCheck = now + seconds(cfg, "manager.auto_shutdown_duration", 10.0);
      std::lock_guard<std::mutex> lock(m_mutex);
      if (!master && yes(cfg, "manager.shutdown_auto", true) && m_components.empty() && m_namesBeingCreated.empty())
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
        auto it =
          std::find_if(m_components.begin(), m_components.end(), [comp](const Entry& e) { return e.comp == comp; });
        if (it == m_components.end())
          continue;
        entry = *it;
        m_components.erase(it);
        m_destroying.insert(entry.id);
        lastOne = m_components.empty();
      }
      destroyComponent(entry);
      const unsigned long id = entry.id;
      entry = Entry{};  // lets go of its factory, and of a module unloaded meanwhile
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_destroying.erase(id);
      }
      m_destroyedCv.notify_all();
      const coil::Properties cfg = settings();
      if (lastOne && yes(cfg, "manager.shutdown_on_nortcs", true) && !yes(cfg, "manager.is_master", false))
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
    if (m_peers)
      m_peers->unregister();
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
    m_destroyedCv.notify_all();
    m_naming->unbindAll();
    try
    {
      orb->shutdown(true);
    }
    catch (...)
    {}
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shutdownDone = true;
    m_doneCv.notify_all();
  }
}
