#include "manager/ComponentTable.h"

#include "component/ComponentCore.h"
#include "config/ComponentArgs.h"
#include "config/InstanceName.h"
#include "config/NamingFormat.h"
#include "log/Logger.h"
#include "log/ServantBoundary.h"
#include "manager/ManagerSettings.h"
#include "naming/NamingManager.h"

#include <rtm/detail/ReturnCodeName.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

namespace rtm
{
  namespace
  {
    constexpr auto kServantDrainLimit = std::chrono::seconds(5);
    // deleteComponent waits this long for the component to leave; its exit is bounded by the
    // call timeouts of its ports, so this is only reached when something is badly stuck.
    constexpr auto kDeleteWaitLimit = std::chrono::seconds(15);

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
  }

  ComponentTable::ComponentTable(RTC::Manager& manager, ManagerSettings& settings, FactoryRegistry& types,
                                 NamingManager& naming, std::function<bool()> shuttingDown, const std::string& program)
    : m_manager(manager), m_settings(settings), m_types(types), m_naming(naming),
      m_shuttingDown(std::move(shuttingDown)), m_program(program)
  {}

  coil::Properties ComponentTable::instanceProperties(const ComponentFactory& factory, const coil::Properties& args,
                                                      int slot)
  {
    const coil::Properties cfg = m_settings.settings();
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

  std::vector<std::string> ComponentTable::namingNames(const coil::Properties& props)
  {
    coil::Properties namingContext(props);
    namingContext.setProperty("manager.name", m_settings.setting("manager.name"));
    namingContext.setProperty("manager.pid", m_settings.setting("manager.pid"));
    return config::namingNames(props.getProperty("naming.formats"), namingContext);
  }

  // The instance name becomes a naming-service path and appears in file names: it is checked
  // here, where every way of naming an instance (?instance_name=, rtc.conf, the generated name)
  // ends up, and so is every name the instance would be bound under.
  std::string ComponentTable::nameProblem(const coil::Properties& props)
  {
    std::string refusal = config::instanceNameRefusal(props.getProperty("instance_name"));
    if (!refusal.empty())
      return refusal;
    for (const std::string& name : namingNames(props))
    {
      const std::string problem = config::namingNameProblem(name);
      if (!problem.empty())
        return "naming name '" + config::printable(name) + "' " + problem + ": check naming.formats";
    }
    return {};
  }

  RTC::RTObject_impl* ComponentTable::createComponent(const std::string& argText, std::string& error)
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
    const bool shuttingDown = m_shuttingDown();
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

    // What a factory or an initialize() threw goes into the one line that refuses the request.
    std::string thrown;
    RTC::RTObject_impl* comp = nullptr;
    try
    {
      comp = factory->create(&m_manager);
    }
    catch (...)
    {
      thrown = ": " + currentExceptionText();
      comp = nullptr;
    }
    if (comp == nullptr)
    {
      m_types.releaseSlot(*factory, slot);
      forgetName();
      error = "'" + shown + "': the factory made no component" + thrown;
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
      thrown = ": " + currentExceptionText();
      ret = RTC::RTC_ERROR;
    }
    if (ret != RTC::RTC_OK)
    {
      error = "initialisation of '" + shown + "' failed (" + returnCodeName(ret) + thrown + ")";
      RTM_LOG_ERROR("manager", error);
      comp->m_core->discard();
      destroyComponent(entry);
      forgetName();
      return nullptr;
    }

    coil::Properties& prop = comp->getProperties();
    entry.names = namingNames(prop);
    std::string joined;
    for (const std::string& name : entry.names)
      joined += (joined.empty() ? "" : ",") + name;
    // Set before the first binding: from then on clients read the properties from ORB threads.
    prop.setProperty("naming.names", joined);
    for (const std::string& name : entry.names)
      m_naming.bindObject(name, comp->getObjRef());

    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_namesBeingCreated.erase(instanceName);
      // A shutdown that began meanwhile has already taken its list of components to exit: this
      // one would be missed, so it goes again at once.
      if (!m_shuttingDown())
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
  void ComponentTable::destroyComponent(const Entry& entry)
  {
    for (const std::string& name : entry.names)
      m_naming.unbindObject(name);
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

  void ComponentTable::deleteComponent(RTC::RTObject_impl* comp)
  {
    // exit() finalizes the component, which reports back through notifyFinalized.
    if (comp != nullptr)
      comp->exit();
  }

  RTC::ReturnCode_t ComponentTable::deleteComponent(const std::string& instanceName, std::string& error)
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

  std::vector<std::string> ComponentTable::instancesOf(const std::string& modulePath)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> names;
    for (const Entry& e : m_components)
      if (e.factory->modulePath == modulePath)
        names.push_back(e.comp->getInstanceName());
    return names;
  }

  std::vector<RTC::RTObject_impl*> ComponentTable::components()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<RTC::RTObject_impl*> comps;
    for (const Entry& e : m_components)
      comps.push_back(e.comp);
    return comps;
  }

  std::vector<RTC::RTObject_var> ComponentTable::componentRefs()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<RTC::RTObject_var> refs;
    for (const Entry& e : m_components)
      refs.push_back(RTC::RTObject::_duplicate(e.comp->getObjRef()));
    return refs;
  }

  RTC::RTObject_impl* ComponentTable::findComponent(const std::string& instanceName)
  {
    for (RTC::RTObject_impl* comp : components())
      if (instanceName == comp->getInstanceName())
        return comp;
    return nullptr;
  }

  bool ComponentTable::isEmpty()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_components.empty() && m_namesBeingCreated.empty();
  }

  void ComponentTable::queueFinalized(RTC::RTObject_impl* comp)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finalized.push_back(comp);
  }

  bool ComponentTable::destroyFinalized()
  {
    bool lastWent = false;
    for (;;)
    {
      Entry entry{};
      bool lastOne = false;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_finalized.empty())
          return lastWent;
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
      lastWent = lastWent || lastOne;
    }
  }

  void ComponentTable::destroyAll()
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
        // The others still exit; this one is deleted with them all the same.
        RTM_LOG_ERROR("manager", "exit of " << e.comp->getInstanceName() << " failed: " << currentExceptionText());
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
  }
}
