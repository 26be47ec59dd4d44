// What `mgr ls`, `mgr modules`, `mgr factories`, `mgr slaves` and `mgr config` show of a
// manager. A component or slave that does not answer is shown as such; the listing goes on.
#pragma once

#include "client/ManagerRef.h"
#include "client/NameValues.h"

#include <ostream>
#include <string>

namespace rtctl
{
  class ManagerPrinter
  {
  public:
    explicit ManagerPrinter(std::ostream& out) : m_out(out) {}

    // Components (instance, type, state), loaded modules, factories and slaves, each a section.
    void printOverview(const ManagerRef& manager, CORBA::ORB_ptr orb) const;
    // Each module (factory) on a line of its own, its properties indented below it.
    void printModules(const RTM::ModuleProfileList& modules) const;
    void printFactories(const RTM::ModuleProfileList& factories) const;
    // index, host, pid, address.
    void printSlaves(const std::vector<ManagerRef::Slave>& slaves, const std::string& indent = "") const;
    // key, value, sorted by key.
    void printConfiguration(const NameValues& configuration) const;

    // The line that stands for a module (its file) or a factory (its implementation id).
    static std::string moduleTitle(const NameValues& module, size_t index);
    static std::string factoryTitle(const NameValues& factory, size_t index);

  private:
    void printComponents(const ManagerRef& manager) const;
    void printProfiles(const RTM::ModuleProfileList& profiles, bool factories, bool details,
                       const std::string& indent) const;

    std::ostream& m_out;
  };
}
