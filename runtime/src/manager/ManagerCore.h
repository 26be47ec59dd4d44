// The state and the worker thread behind RTC::Manager.
//
// Threads: the main thread initialises, activates, then blocks in runManager; omniORB's threads
// serve calls; the worker thread here handles shutdown signals, the naming retry timer, the
// clean-up of components that exited, and the shutdown sequence itself.
#pragma once

#include "manager/ComponentFactory.h"

#include <rtm/Manager.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rtm
{
  class NamingManager;

  class ManagerCore
  {
  public:
    ManagerCore(RTC::Manager& self, const coil::Properties& config);
    ~ManagerCore();

    bool activate();
    void run(bool noBlock);
    // Asks for a shutdown; waits for it when called from the thread that owns the manager
    // (the main thread) and runManager is not blocking there.
    void requestShutdown();

    bool registerFactory(const coil::Properties& profile, RTC::RtcNewFunc create, RTC::RtcDeleteFunc destroy);
    std::vector<coil::Properties> factoryProfiles();
    RTC::RTObject_impl* createComponent(const std::string& args);
    void deleteComponent(RTC::RTObject_impl* comp);
    std::vector<RTC::RTObject_impl*> components();
    RTC::RTObject_impl* findComponent(const std::string& instanceName);
    void notifyFinalized(RTC::RTObject_impl* comp);

    coil::Properties config;
    CORBA::ORB_var orb;
    PortableServer::POA_var poa;
    PortableServer::POAManager_var poaManager;
    RTC::ModuleInitProc moduleInitProc = nullptr;

  private:
    struct Entry
    {
      RTC::RTObject_impl* comp;
      ComponentFactory* factory;
      int slot;
      std::vector<std::string> names;
    };

    void initOrb();
    coil::Properties instanceProperties(const ComponentFactory& factory, const coil::Properties& args, int slot);
    void destroyComponent(const Entry& entry);
    void preCreate();
    void preActivate();

    void workerLoop();
    void wake(char reason);
    void runTimers(std::chrono::steady_clock::time_point now);
    void cleanupFinalized();
    void shutdownSequence();

    RTC::Manager& m_self;
    std::thread::id m_ownerThread;
    std::unique_ptr<NamingManager> m_naming;

    std::mutex m_mutex;
    std::condition_variable m_doneCv;
    std::vector<std::unique_ptr<ComponentFactory>> m_factories;
    std::vector<Entry> m_components;
    std::deque<RTC::RTObject_impl*> m_finalized;
    bool m_shutdownRequested = false;
    bool m_shutdownDone = false;
    bool m_running = false;  // runManager is blocking

    int m_wakePipe[2] = {-1, -1};
    std::thread m_worker;
    std::chrono::steady_clock::time_point m_nextNamingUpdate;
    std::chrono::steady_clock::time_point m_nextAutoShutdownCheck;
  };
}
