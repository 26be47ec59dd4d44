// The component types a manager can create: each registered factory, the module whose init
// function registered it (if any), and the numbering of its instances. A module is loaded here, so
// that the types its init function registers are known to be its own; unloading it takes them
// away, and is refused while an instance of one of them exists.
#pragma once

#include "manager/ComponentFactory.h"
#include "manager/ModuleManager.h"
#include "manager/ModuleTypeCache.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rtm
{
  class FactoryRegistry
  {
  public:
    // The instance names of the components made by a module's types, for the message that
    // refuses to unload it.
    typedef std::function<std::vector<std::string>(const std::string& modulePath)> InstancesOf;

    FactoryRegistry(RTC::Manager& manager, const coil::Properties& config, InstancesOf instancesOf);

    // False for an incomplete profile or a type (implementation_id, vendor, category, version)
    // registered already.
    bool registerFactory(const coil::Properties& profile, RTC::RtcNewFunc create, RTC::RtcDeleteFunc destroy);
    std::vector<coil::Properties> profiles();
    // The factory `args` asks for; a type not registered yet is looked for in the module named
    // after it (Trimul.so, TrimulInit). Null with one line in `error` when there is none.
    std::shared_ptr<ComponentFactory> find(const std::string& argText, const config::ComponentArgs& args,
                                           std::string& error);
    // The factory's lowest free instance number, or -1 when its max_instance is reached.
    int acquireSlot(ComponentFactory& factory);
    void releaseSlot(ComponentFactory& factory, int slot);

    // Failures leave nothing registered and say why in `error` (and in the log).
    RTC::ReturnCode_t load(const std::string& file, const std::string& initFunc, std::string& error);
    RTC::ReturnCode_t unload(const std::string& file, std::string& error);
    void unloadAll();
    // file_path, module_file_name, init_func, implementation_ids (the types it registered).
    std::vector<coil::Properties> loadedModules();
    // One entry per component type that a module on the load path registers: the type's profile
    // plus module_file_name (as the file stands in its folder) and module_file_path (the file it
    // resolves to). Modules whose types cannot be learned are left out.
    std::vector<coil::Properties> loadableModules();

  private:
    // A module whose init function is running on `thread`: factories registered there are its.
    struct Initializing
    {
      std::thread::id thread;
      ModuleManager::Module module;
    };

    std::shared_ptr<ComponentFactory> match(const config::ComponentArgs& args);

    RTC::Manager& m_manager;
    ModuleManager m_modules;
    const InstancesOf m_instancesOf;
    ModuleTypeCache m_moduleTypes;
    // One module load or unload at a time; recursive, since an init function may create a
    // component whose module is loaded on demand.
    std::recursive_mutex m_loadMutex;
    std::mutex m_mutex;
    std::vector<std::shared_ptr<ComponentFactory>> m_factories;
    std::vector<Initializing> m_initializing;
  };
}
