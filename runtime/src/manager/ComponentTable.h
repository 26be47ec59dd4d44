// The components this manager made: their creation from a factory (properties, name checks,
// naming bindings), the list that tools and the manager's object read, and their deletion once
// they finalized, each only when no call runs in it any more.
//
// Threads: created from the main thread (start-up) and the ORB's (create_component); listed from
// any; deleted on the manager's worker thread, except for a component that failed to initialise.
#pragma once

#include "manager/FactoryRegistry.h"

#include <rtm/RTObject.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace rtm
{
  class ManagerSettings;
  class NamingManager;

  class ComponentTable
  {
  public:
    // `shuttingDown` tells whether a shutdown was asked for: a component made meanwhile would be
    // missed by it, so it is refused. `program` names the process in lines on standard error.
    ComponentTable(RTC::Manager& manager, ManagerSettings& settings, FactoryRegistry& types, NamingManager& naming,
                   std::function<bool()> shuttingDown, const std::string& program);

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
    // The instance names of the components made by a module's types.
    std::vector<std::string> instancesOf(const std::string& modulePath);
    // No component, and none being made.
    bool isEmpty();

    // A component that finalized itself, to be deleted by destroyFinalized.
    void queueFinalized(RTC::RTObject_impl* comp);
    // Deletes the components queued; true when the last component of the table went with them.
    bool destroyFinalized();
    // The shutdown's part: every component exits (deactivated, finalized, its ports disconnected
    // so that peers drop their connectors), then is unbound and deleted, last made first.
    void destroyAll();

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
    coil::Properties instanceProperties(const ComponentFactory& factory, const coil::Properties& args, int slot);
    std::string nameProblem(const coil::Properties& props);
    std::vector<std::string> namingNames(const coil::Properties& props);
    void destroyComponent(const Entry& entry);

    RTC::Manager& m_manager;
    ManagerSettings& m_settings;
    FactoryRegistry& m_types;
    NamingManager& m_naming;
    const std::function<bool()> m_shuttingDown;
    const std::string m_program;

    std::mutex m_mutex;
    std::condition_variable m_destroyedCv;
    std::vector<Entry> m_components;
    std::set<std::string> m_namesBeingCreated;
    std::set<unsigned long> m_destroying;
    unsigned long m_nextEntryId = 1;
    std::deque<RTC::RTObject_impl*> m_finalized;
  };
}
