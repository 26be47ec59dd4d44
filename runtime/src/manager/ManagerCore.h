// The state and the worker thread behind RTC::Manager.
//
// Threads: the main thread initialises, activates, then blocks in runManager; omniORB's threads
// serve calls (the manager's own CORBA object among them); the worker thread here handles
// shutdown signals, the naming retry timer, the links to master and slave managers, the clean-up
// of components that exited, and the shutdown sequence itself.
#pragma once

#include "manager/FactoryRegistry.h"

#include <rtm/Manager.h>
#include <rtm/idl/ManagerSkel.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace rtm
{
  class ManagerPeers;
  class ManagerServant;
  class NamingManager;

  class ManagerCore
  {
  public:
    // `program` names the process in the lines a start-up problem prints on standard error.
    ManagerCore(RTC::Manager& self, const coil::Properties& config, const std::string& program);
    ~ManagerCore();

    bool activate();
    void run(bool noBlock);
    // Asks for a shutdown; waits for it when called from the thread that owns the manager
    // (the main thread) and runManager is not blocking there.
    void requestShutdown();
    // Run when the process exits (exit, or main returning) without a shutdown, so that the
    // worker no longer runs, nor deletes components, once the static objects omniORB's calls
    // rely on are gone: from the owner's thread the orderly stop of shutdown(); from any other
    // the worker's stop alone. Nothing on the worker itself, nor in a forked child.
    void stopAtExit();

    // The component types and the modules that registered them.
    FactoryRegistry& factories() { return m_types; }
    // Null on failure, with one line in `error` saying why.
    RTC::RTObject_impl* createComponent(const std::string& args, std::string& error);
    void deleteComponent(RTC::RTObject_impl* comp);
    // Exits the named component and returns once it is unbound and deleted.
    RTC::ReturnCode_t deleteComponent(const std::string& instanceName, std::string& error);
    std::vector<RTC::RTObject_impl*> components();
    // References instead of pointers: a call through one is safe even if the component is
    // being deleted meanwhile (it then fails with OBJECT_NOT_EXIST).
    std::vector<RTC::RTObject_var> componentRefs();
    RTC::RTObject_impl* findComponent(const std::string& instanceName);
    void notifyFinalized(RTC::RTObject_impl* comp);

    // The configuration as it is now, read and changed under a lock, as the manager's CORBA
    // object may change it while the manager runs.
    coil::Properties settings();
    coil::Properties settings(std::initializer_list<const char*> keys);
    std::string setting(const std::string& key);
    void changeSetting(const std::string& key, const std::string& value);
    bool isMaster();
    // A caller's request refused, already logged where it failed: the same line on standard
    // error too, so that the daemon's operator sees it with logging off; once, if the log goes
    // there anyway.
    void reportRefusal(const std::string& line);

    coil::Properties config;
    CORBA::ORB_var orb;
    PortableServer::POA_var poa;
    PortableServer::POAManager_var poaManager;
    RTC::ModuleInitProc moduleInitProc = nullptr;

  private:
    struct Entry
    {
      RTC::RTObject_impl* comp;
      // Shared: a component being deleted keeps its factory, and the module whose code the
      // factory functions are, even once the module is unloaded.
      std::shared_ptr<ComponentFactory> factory;
      int slot;
      std::vector<std::string> names;
      unsigned long id;
    };
    void initOrb();
    void createManagerServant();
    void activateManagerServant();
    coil::Properties instanceProperties(const ComponentFactory& factory, const coil::Properties& args, int slot);
    std::string nameProblem(const coil::Properties& props);
    void destroyComponent(const Entry& entry);
    std::vector<std::string> instancesOf(const std::string& modulePath);
    void preload();
    void preCreate();
    void preConnect();
    void preActivate();
    void reportStartupProblem(const std::string& line);

    void workerLoop();
    void wake(char reason);
    void runTimers(std::chrono::steady_clock::time_point now);
    void cleanupFinalized();
    void shutdownSequence();
    void finish();
    void workerGone();

    RTC::Manager& m_self;
    const std::string m_program;
    std::thread::id m_ownerThread;
    std::unique_ptr<NamingManager> m_naming;
    std::mutex m_configMutex;  // guards `config` once the manager runs; taken alone, never with others
    FactoryRegistry m_types;

    std::mutex m_mutex;
    std::condition_variable m_doneCv;
    std::condition_variable m_destroyedCv;
    std::vector<Entry> m_components;
    std::set<std::string> m_namesBeingCreated;
    std::set<unsigned long> m_destroying;
    unsigned long m_nextEntryId = 1;
    std::deque<RTC::RTObject_impl*> m_finalized;
    bool m_shutdownRequested = false;
    bool m_shutdownDone = false;
    bool m_running = false;  // runManager is blocking
    bool m_activated = false;
    bool m_finishing = false;  // someone joins the worker (and destroys the ORB)
    bool m_finished = false;  // runManager or shutdown() destroyed the ORB
    bool m_stopWorker = false;  // the process exits: the worker stops without the shutdown sequence
    bool m_workerGone = false;

    // The manager's CORBA object, unless manager.corba_servant is NO.
    std::unique_ptr<ManagerPeers> m_peers;
    ManagerServant* m_servant = nullptr;  // owned by the POA once activated
    PortableServer::POA_var m_insPoa;
    RTM::Manager_var m_selfRef;
    // "corbaloc::" or, with TLS on, "corbaloc:ssliop:": how this manager names its master.
    std::string m_corbalocScheme = "corbaloc::";

    int m_wakePipe[2] = {-1, -1};
    std::thread m_worker;
    std::thread::id m_workerId;
    pid_t m_pid = -1;
    std::chrono::steady_clock::time_point m_nextNamingUpdate;
    std::chrono::steady_clock::time_point m_nextLinkUpdate;
    std::chrono::steady_clock::time_point m_nextAutoShutdownCheck;
  };
}
