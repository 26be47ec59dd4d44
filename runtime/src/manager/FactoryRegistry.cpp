#include "manager/FactoryRegistry.h"

#include "config/ComponentArgs.h"
#include "config/InstanceName.h"
#include "log/Logger.h"
#include "log/ServantBoundary.h"

#include <algorithm>

namespace rtm
{
  namespace
  {
    std::string joined(const std::vector<std::string>& items)
    {
      std::string out;
      for (const std::string& item : items)
        out += (out.empty() ? "" : ",") + item;
      return out;
    }
  }

  FactoryRegistry::FactoryRegistry(RTC::Manager& manager, const coil::Properties& config, InstancesOf instancesOf)
    : m_manager(manager), m_modules(config), m_instancesOf(std::move(instancesOf)),
      m_moduleTypes(ModuleTypeProbe(ModuleTypeProbe::helperBesideThisProgram()))
  {}

  bool FactoryRegistry::registerFactory(const coil::Properties& profile, RTC::RtcNewFunc create,
                                        RTC::RtcDeleteFunc destroy)
  {
    if (create == nullptr || destroy == nullptr || profile.getProperty("implementation_id").empty())
      return false;
    // A type's names make its instances' names and its module's file name: the same rule holds.
    for (const char* key : {"implementation_id", "type_name"})
    {
      const std::string name = profile.getProperty(key);
      const std::string problem = name.empty() ? std::string() : config::instanceNameProblem(name);
      if (!problem.empty())
      {
        RTM_LOG_ERROR("manager", "factory refused: " << key << " '" << config::printable(name) << "' " << problem);
        return false;
      }
    }
    auto factory = std::make_shared<ComponentFactory>(profile, create, destroy);
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& existing : m_factories)
      if (existing->sameTypeAs(*factory))
        return false;
    // Registered from inside a module's init function: the type is that module's.
    for (auto it = m_initializing.rbegin(); it != m_initializing.rend(); ++it)
    {
      if (it->thread == std::this_thread::get_id())
      {
        factory->modulePath = it->module.filePath;
        factory->module = it->module.handle;
        break;
      }
    }
    m_factories.push_back(factory);
    return true;
  }

  std::vector<coil::Properties> FactoryRegistry::profiles()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<coil::Properties> out;
    for (const auto& f : m_factories)
      out.push_back(f->profile());
    return out;
  }

  std::shared_ptr<ComponentFactory> FactoryRegistry::match(const config::ComponentArgs& args)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& f : m_factories)
      if (f->matches(args))
        return f;
    return nullptr;
  }

  std::shared_ptr<ComponentFactory> FactoryRegistry::find(const std::string& argText, const config::ComponentArgs& args,
                                                          std::string& error)
  {
    std::shared_ptr<ComponentFactory> factory = match(args);
    if (factory)
      return factory;
    std::string loadError;
    if (!m_modules.findLoadable(args.implementationId).empty() &&
        load(args.implementationId + ".so", "", loadError) == RTC::RTC_OK)
      factory = match(args);
    if (!factory)
      error = "no component type matches '" + argText + "'" +
              (loadError.empty() ? "" : " and its module does not provide it (" + loadError + ")");
    return factory;
  }

  int FactoryRegistry::acquireSlot(ComponentFactory& factory)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return factory.acquireSlot();
  }

  void FactoryRegistry::releaseSlot(ComponentFactory& factory, int slot)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    factory.releaseSlot(slot);
  }

  RTC::ReturnCode_t FactoryRegistry::load(const std::string& file, const std::string& initFunc, std::string& error)
  {
    std::lock_guard<std::recursive_mutex> loading(m_loadMutex);
    std::string path;
    RTC::ReturnCode_t ret = m_modules.resolve(file, path, error);
    if (ret == RTC::RTC_OK && m_modules.isLoaded(path))
    {
      error = "module '" + path + "' is loaded already";
      ret = RTC::PRECONDITION_NOT_MET;
    }
    ModuleManager::Module module;
    ModuleManager::InitFunc init = nullptr;
    if (ret == RTC::RTC_OK)
      ret = m_modules.open(path, initFunc, module, init, error);
    if (ret != RTC::RTC_OK)
    {
      RTM_LOG_ERROR("manager", error);
      return ret;
    }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_initializing.push_back({std::this_thread::get_id(), module});
    }
    bool failed = false;
    std::string cause;
    try
    {
      init(&m_manager);
    }
    catch (...)
    {
      failed = true;
      cause = currentExceptionText();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_initializing.pop_back();
    if (failed)
    {
      // Nothing half-made stays: the types it registered before failing go with it.
      m_factories.erase(std::remove_if(m_factories.begin(), m_factories.end(),
                                       [&](const std::shared_ptr<ComponentFactory>& f) {
                                         return f->modulePath == path && !f->inUse();
                                       }),
                        m_factories.end());
      error = "init function '" + module.initFunc + "' of module '" + path + "' failed (" + cause + ")";
      RTM_LOG_ERROR("manager", error);
      return RTC::RTC_ERROR;
    }
    m_modules.add(module);
    RTM_LOG_INFO("manager", "loaded module " << path);
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t FactoryRegistry::unload(const std::string& file, std::string& error)
  {
    std::lock_guard<std::recursive_mutex> loading(m_loadMutex);
    const std::string path = m_modules.findLoaded(file);
    if (path.empty())
    {
      error = "module '" + config::printable(file) + "' is not loaded";
      RTM_LOG_ERROR("manager", error);
      return RTC::BAD_PARAMETER;
    }
    bool busy = false;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      busy = std::any_of(m_factories.begin(), m_factories.end(),
                         [&](const auto& f) { return f->modulePath == path && f->inUse(); });
      if (!busy)
        m_factories.erase(
          std::remove_if(m_factories.begin(), m_factories.end(), [&](const auto& f) { return f->modulePath == path; }),
          m_factories.end());
    }
    if (busy)
    {
      const std::vector<std::string> living = m_instancesOf(path);
      error = "module '" + path + "' still has components" + (living.empty() ? "" : " (" + joined(living) + ")");
      RTM_LOG_ERROR("manager", error);
      return RTC::PRECONDITION_NOT_MET;
    }
    // The library closes once nothing of it is held any more (a component still being deleted
    // holds its factory until its delete function has returned).
    m_modules.remove(path);
    RTM_LOG_INFO("manager", "unloaded module " << path);
    return RTC::RTC_OK;
  }

  void FactoryRegistry::unloadAll()
  {
    for (const ModuleManager::Module& module : m_modules.loaded())
    {
      std::string error;
      unload(module.filePath, error);
    }
  }

  std::vector<coil::Properties> FactoryRegistry::loadedModules()
  {
    std::vector<coil::Properties> out;
    for (const ModuleManager::Module& module : m_modules.loaded())
    {
      std::vector<std::string> types;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& f : m_factories)
          if (f->modulePath == module.filePath)
            types.push_back(f->profile().getProperty("implementation_id"));
      }
      coil::Properties p;
      p.setProperty("file_path", module.filePath);
      p.setProperty("module_file_name", module.filePath.substr(module.filePath.rfind('/') + 1));
      p.setProperty("init_func", module.initFunc);
      p.setProperty("implementation_ids", joined(types));
      out.push_back(p);
    }
    return out;
  }

  // One entry per type a module on the load path registers: the type's profile, and where the
  // module is. A module loaded here already tells its types itself; one not loaded is checked as a
  // load would check it and then asked in a helper process, never opened here.
  std::vector<coil::Properties> FactoryRegistry::loadableModules()
  {
    std::vector<coil::Properties> out;
    for (const ModuleManager::Loadable& loadable : m_modules.loadableFiles())
    {
      std::vector<coil::Properties> types;
      if (m_modules.isLoaded(loadable.filePath))
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& f : m_factories)
          if (f->modulePath == loadable.filePath)
            types.push_back(f->profile());
      }
      else
      {
        std::string refused;
        if (ModuleManager::inspect(loadable.filePath, refused) != RTC::RTC_OK)
          continue;
        types = m_moduleTypes.typesOf(loadable.filePath);
      }
      for (coil::Properties& type : types)
      {
        type.setProperty("module_file_name", loadable.fileName);
        type.setProperty("module_file_path", loadable.filePath);
        out.push_back(type);
      }
    }
    return out;
  }
}
