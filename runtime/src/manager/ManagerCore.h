// The state behind RTC::Manager, wired from its parts: the settings store, the ORB, the naming
// services, the component types and the component table, the manager's CORBA object, the
// start-up sequence, and the worker thread with its timers and the shutdown it runs.
//
// Threads: the main thread initialises, activates, then blocks in runManager; omniORB's threads
// serve calls (the manager's own CORBA object among them); the worker thread handles shutdown
// signals, the timers, the clean-up of components that exited, and the shutdown sequence itself.
#pragma once

#include "manager/ComponentTable.h"
#include "manager/FactoryRegistry.h"
#include "manager/ManagerSettings.h"
#include "manager/ManagerTimers.h"
#include "manager/ManagerWorker.h"
#include "manager/OrbSetup.h"
#include "manager/StartupSequence.h"

#include <rtm/Manager.h>

#include <memory>
#include <string>

namespace rtm
{
  class ManagerObject;
  class NamingManager;

  class ManagerCore
  {
  public:
    // `program` names the process in the lines a start-up problem prints on standard error.
    ManagerCore(RTC::Manager& self, const coil::Properties& config, const std::string& program);
    ~ManagerCore();

    bool activate();
    void setModuleInitProc(RTC::ModuleInitProc proc) { m_moduleInitProc = proc; }
    void run(bool noBlock) { m_worker.run(noBlock); }
    // Asks for a shutdown; waits for it when called from the thread that owns the manager
    // (the main thread) and runManager is not blocking there.
    void requestShutdown() { m_worker.requestShutdown(); }
    void stopAtExit() { m_worker.stopAtExit(); }
    // Called by a component that finalized itself: the worker deletes it.
    void notifyFinalized(RTC::RTObject_impl* comp);

    ManagerSettings& settings() { return m_settings; }
    const OrbSetup& orb() const { return m_orb; }
    // The component types and the modules that registered them.
    FactoryRegistry& factories() { return m_types; }
    ComponentTable& components() { return m_components; }
    // A caller's request refused, already logged where it failed: the same line on standard
    // error too, so that the daemon's operator sees it with logging off; once, if the log goes
    // there anyway.
    void reportRefusal(const std::string& line);

  private:
    bool destroyFinalized();
    void shutdownSequence();

    RTC::Manager& m_self;
    const std::string m_program;
    ManagerSettings m_settings;
    OrbSetup m_orb;
    std::unique_ptr<NamingManager> m_naming;
    FactoryRegistry m_types;
    ComponentTable m_components;
    std::unique_ptr<ManagerObject> m_object;  // null when manager.corba_servant is NO
    StartupSequence m_startup;
    ManagerTimers m_timers;
    RTC::ModuleInitProc m_moduleInitProc = nullptr;
    ManagerWorker m_worker;  // last: its thread runs on everything above
  };
}
