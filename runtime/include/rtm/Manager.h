// The manager: one per process. It reads the command line and configuration, owns the ORB,
// registers component factories, creates and destroys components, binds them in the naming
// services, and shuts everything down cleanly on request or on SIGINT/SIGTERM.
#ifndef RTM_MANAGER_H
#define RTM_MANAGER_H

#include <rtm/RTC.h>
#include <rtm/Factory.h>
#include <rtm/SystemLogger.h>
#include <coil/Properties.h>
// What launchers and modules written for the middleware use without including it themselves
// (coil::usleep, coil::Guard, std::max_element, ...): its Manager.h brings these.
#include <coil/Condition.h>
#include <coil/Guard.h>
#include <coil/Mutex.h>
#include <coil/OS.h>
#include <coil/Singleton.h>
#include <coil/Task.h>
#include <coil/Time.h>
#include <coil/TimeValue.h>
#include <coil/stringutil.h>
#include <algorithm>
#include <climits>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits.h>
#include <list>
#include <map>
#include <sstream>
#include <stddef.h>
#include <stdlib.h>
#include <string>
#include <sys/time.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace rtm
{
  class ManagerCore;
}

namespace RTC
{
  class RTObject_impl;
  typedef RTObject_impl RtcBase;
  typedef void (*ModuleInitProc)(Manager* manager);

  class Manager
  {
  public:
    // Initialises the process's manager from the command line; later calls return the same
    // manager and change nothing. A command line or configuration file that cannot be used ends
    // the process with one line naming the problem and the usage; -h/--help prints the usage and
    // ends it with status 0.
    static Manager* init(int argc, char** argv);
    // The process's manager; built from the configuration files alone if init was not called.
    static Manager& instance();

    void setModuleInitProc(ModuleInitProc proc);
    bool activateManager();
    // With no_block false, blocks until the manager has shut down.
    void runManager(bool no_block = false);
    void shutdown();
    void terminate();

    // Component modules: shared objects found on manager.modules.load_path (or given by absolute
    // path, where manager.modules.abs_path_allowed permits). `initfunc` may be null or empty: the
    // file's base name + "Init". The factories a module's init function registers are the
    // module's: unloading it removes them, and is refused while an instance of one lives.
    // As in the middleware these return nothing: a failure is logged (getLoadedModules() tells).
    void load(const char* fname, const char* initfunc);
    void unload(const char* fname);
    void unloadAll();
    // One entry per module: file_path, module_file_name, init_func, implementation_ids.
    std::vector<coil::Properties> getLoadedModules();
    // One entry per component type a module on the load path registers: the type's profile,
    // module_file_name and module_file_path. A module not loaded is asked for its types in a
    // helper process (rtcd beside this program), never loaded into this one to find out.
    std::vector<coil::Properties> getLoadableModules();

    bool registerFactory(coil::Properties& profile, RtcNewFunc new_func, RtcDeleteFunc delete_func);
    std::vector<coil::Properties> getFactoryProfiles();
    // A type not registered yet is looked for in the module named after it (Trimul.so).
    RTObject_impl* createComponent(const char* comp_args);
    void deleteComponent(RTObject_impl* comp);
    void deleteComponent(const char* instance_name);
    std::vector<RTObject_impl*> getComponents();
    RTObject_impl* getComponent(const char* instance_name);

    coil::Properties& getConfig();
    // Where components' loggers write (the process's one log) and the configured logger.log_level.
    LogStreamBuf& getLogStreamBuf();
    std::string& getLogLevel();
    CORBA::ORB_ptr getORB();
    PortableServer::POA_ptr getPOA();
    PortableServer::POAManager_ptr getPOAManager();

    // Called by a component that has finalized itself (exit()): the manager unbinds its names
    // and destroys it outside the caller's thread.
    void notifyFinalized(RTObject_impl* comp);

  private:
    Manager();
    ~Manager();
    Manager(const Manager&);
    Manager& operator=(const Manager&);
    friend class rtm::ManagerCore;
    rtm::ManagerCore* m_core;
  };
}

#endif
