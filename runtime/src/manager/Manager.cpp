// RTC::Manager: the public face of the process's manager; the work is in ManagerCore.
#include <rtm/Manager.h>

#include "config/CommandLine.h"
#include "config/ManagerConfig.h"
#include "manager/ManagerCore.h"
#include "log/Logger.h"
#include "log/ProcessLogBuffer.h"
#include "log/Warning.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>

namespace RTC
{
  namespace
  {
    std::mutex g_instanceMutex;
    Manager* g_instance = nullptr;

    const char* programName(int argc, char** argv)
    {
      if (argc < 1 || argv == nullptr || argv[0] == nullptr)
        return "rtc";
      const char* slash = std::strrchr(argv[0], '/');
      return slash != nullptr ? slash + 1 : argv[0];
    }

    // The manager's configuration, or the end of the process when the command line asks for
    // help or cannot be used: nothing has started yet, so there is nothing to clean up.
    coil::Properties loadConfigOrExit(int argc, char** argv)
    {
      // help2man and packaging tools ask every program for its version; it is the project's.
      const rtm::config::CommandLineResult line = rtm::config::parseCommandLine(argc, argv);
      if (line.error.empty() && line.versionRequested && !line.helpRequested)
      {
        std::cout << programName(argc, argv) << " (" RTM_PACKAGE_NAME ") " RTM_PACKAGE_VERSION "\n" << std::flush;
        std::exit(0);
      }
      coil::Properties config;
      std::string error;
      bool help = false;
      if (!rtm::config::loadManagerConfig(argc, argv, config, error, help))
      {
        // The usage would bury the one line that says what is wrong.
        std::cerr << programName(argc, argv) << ": " << error << "\n"
                  << "see " << programName(argc, argv) << " --help\n"
                  << std::flush;
        std::exit(2);
      }
      if (help)
      {
        std::cout << rtm::config::usage(programName(argc, argv)) << std::flush;
        std::exit(0);
      }
      return config;
    }
  }

  Manager::Manager() : m_core(nullptr) {}
  Manager::~Manager() { delete m_core; }

  Manager* Manager::init(int argc, char** argv)
  {
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    if (g_instance == nullptr)
    {
      coil::Properties config = loadConfigOrExit(argc, argv);
      // The manager lives as long as the process: components and ORB threads may reach it
      // until the very end.
      g_instance = new Manager();
      g_instance->m_core = new rtm::ManagerCore(*g_instance, config, programName(argc, argv));
      // Registered after the ORB started, so that it runs before the static objects omniORB
      // made until then are destroyed.
      std::atexit([] { g_instance->m_core->stopAtExit(); });
    }
    return g_instance;
  }

  Manager& Manager::instance()
  {
    {
      std::lock_guard<std::mutex> lock(g_instanceMutex);
      if (g_instance != nullptr)
        return *g_instance;
    }
    // From the configuration files alone, and without the manager's CORBA object, as in the
    // middleware: nothing asked for one.
    char name[] = "rtc";
    char noServant[] = "-a";
    char* argv[] = {name, noServant, nullptr};
    return *init(2, argv);
  }

  void Manager::setModuleInitProc(ModuleInitProc proc) { m_core->setModuleInitProc(proc); }
  bool Manager::activateManager() { return m_core->activate(); }
  void Manager::runManager(bool no_block) { m_core->run(no_block); }
  void Manager::shutdown() { m_core->requestShutdown(); }
  void Manager::terminate() { m_core->requestShutdown(); }

  // The middleware's load and unload return nothing, so a launcher that calls them learns of a
  // failure only from this line (the registry has logged it too; once is enough on a terminal).
  void Manager::load(const char* fname, const char* initfunc)
  {
    std::string error;
    if (m_core->factories().load(fname != nullptr ? fname : "", initfunc != nullptr ? initfunc : "", error) != RTC_OK &&
        !rtm::logger().writesTo(stderr, rtm::LogLevel::Error))
      rtm::warn(error);
  }

  void Manager::unload(const char* fname)
  {
    std::string error;
    if (m_core->factories().unload(fname != nullptr ? fname : "", error) != RTC_OK &&
        !rtm::logger().writesTo(stderr, rtm::LogLevel::Error))
      rtm::warn(error);
  }

  void Manager::unloadAll() { m_core->factories().unloadAll(); }
  std::vector<coil::Properties> Manager::getLoadedModules() { return m_core->factories().loadedModules(); }
  std::vector<coil::Properties> Manager::getLoadableModules() { return m_core->factories().loadableModules(); }

  bool Manager::registerFactory(coil::Properties& profile, RtcNewFunc new_func, RtcDeleteFunc delete_func)
  {
    return m_core->factories().registerFactory(profile, new_func, delete_func);
  }

  std::vector<coil::Properties> Manager::getFactoryProfiles() { return m_core->factories().profiles(); }

  RTObject_impl* Manager::createComponent(const char* comp_args)
  {
    std::string error;
    return comp_args == nullptr ? nullptr : m_core->components().createComponent(comp_args, error);
  }

  void Manager::deleteComponent(RTObject_impl* comp) { m_core->components().deleteComponent(comp); }

  void Manager::deleteComponent(const char* instance_name)
  {
    if (instance_name != nullptr)
      m_core->components().deleteComponent(m_core->components().findComponent(instance_name));
  }

  std::vector<RTObject_impl*> Manager::getComponents() { return m_core->components().components(); }

  RTObject_impl* Manager::getComponent(const char* instance_name)
  {
    return instance_name == nullptr ? nullptr : m_core->components().findComponent(instance_name);
  }

  coil::Properties& Manager::getConfig() { return m_core->settings().unguarded(); }
  LogStreamBuf& Manager::getLogStreamBuf() { return rtm::processLogBuffer(); }
  std::string& Manager::getLogLevel() { return m_core->settings().unguarded()["logger.log_level"]; }
  CORBA::ORB_ptr Manager::getORB() { return m_core->orb().orb(); }
  PortableServer::POA_ptr Manager::getPOA() { return m_core->orb().poa(); }
  PortableServer::POAManager_ptr Manager::getPOAManager() { return m_core->orb().poaManager(); }
  void Manager::notifyFinalized(RTObject_impl* comp) { m_core->notifyFinalized(comp); }
}
