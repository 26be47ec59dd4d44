#include "format/ManagerPrinter.h"

#include "client/CorbaText.h"
#include "format/TextTable.h"

#include <algorithm>

namespace rtctl
{
  namespace
  {
    // The keys that name a module's file and a factory's type in their profiles: a loaded module
    // has file_path; a loadable one, module_file_path (and the profile of a type it registers).
    const std::vector<std::string> kModuleTitleKeys = {"file_path", "module_file_path", "module_file_name"};
    const std::vector<std::string> kFactoryTitleKeys = {"implementation_id", "type_name"};

    std::string titleOf(const NameValues& profile, const std::vector<std::string>& keys, const char* what, size_t index)
    {
      const std::string title = profile.firstOf(keys);
      return title.empty() ? std::string(what) + " " + std::to_string(index) : title;
    }

    // A section of `mgr ls`: its title, and "(none)" under it when it has no rows.
    void printHeading(std::ostream& out, const char* title, size_t rows)
    {
      out << title << '\n';
      if (rows == 0)
        out << "  (none)\n";
    }
  }

  std::string ManagerPrinter::moduleTitle(const NameValues& module, size_t index)
  {
    return titleOf(module, kModuleTitleKeys, "module", index);
  }

  std::string ManagerPrinter::factoryTitle(const NameValues& factory, size_t index)
  {
    return titleOf(factory, kFactoryTitleKeys, "factory", index);
  }

  void ManagerPrinter::printOverview(const ManagerRef& manager, CORBA::ORB_ptr orb) const
  {
    printComponents(manager);
    RTM::ModuleProfileList_var modules;
    RTM::ModuleProfileList_var factories;
    try
    {
      modules = manager.ref()->get_loaded_modules();
      factories = manager.ref()->get_factory_profiles();
    }
    catch (const CORBA::Exception& e)
    {
      manager.fail("listing its modules and factories", e);
    }
    printHeading(m_out, "Loaded modules", modules->length());
    printProfiles(modules.in(), false, false, "  ");
    printHeading(m_out, "Factories", factories->length());
    printProfiles(factories.in(), true, false, "  ");
    const std::vector<ManagerRef::Slave> slaves = manager.slaves(orb);
    printHeading(m_out, "Slaves", slaves.size());
    printSlaves(slaves, "  ");
  }

  void ManagerPrinter::printComponents(const ManagerRef& manager) const
  {
    RTC::RTCList_var components;
    try
    {
      components = manager.ref()->get_components();
    }
    catch (const CORBA::Exception& e)
    {
      manager.fail("listing its components", e);
    }
    TextTable rows("  ");
    for (CORBA::ULong i = 0; i < components->length(); ++i)
    {
      RTC::RTObject_ptr component = components[i].in();
      try
      {
        RTC::ComponentProfile_var profile = component->get_component_profile();
        RTC::ExecutionContextList_var owned = component->get_owned_contexts();
        const RTC::LifeCycleState state =
          owned->length() == 0 ? RTC::CREATED_STATE : owned[0]->get_component_state(component);
        rows.add({static_cast<const char*>(profile->instance_name), static_cast<const char*>(profile->type_name),
                  CorbaText::state(state)});
      }
      catch (const CORBA::Exception& e)
      {
        rows.add({"?", "?", "Zombie (" + CorbaText::exception(e) + ")"});
      }
    }
    printHeading(m_out, "Components", components->length());
    rows.print(m_out);
  }

  void ManagerPrinter::printProfiles(const RTM::ModuleProfileList& profiles, bool factories, bool details,
                                     const std::string& indent) const
  {
    for (CORBA::ULong i = 0; i < profiles.length(); ++i)
    {
      const NameValues profile(profiles[i].properties);
      m_out << indent << (factories ? factoryTitle(profile, i) : moduleTitle(profile, i)) << '\n';
      if (!details)
        continue;
      TextTable properties(indent + "    ");
      for (const auto& pair : profile.pairs())
        properties.add({pair.first, pair.second});
      properties.print(m_out);
    }
  }

  void ManagerPrinter::printModules(const RTM::ModuleProfileList& modules) const
  {
    if (modules.length() == 0)
      m_out << "(none)\n";
    printProfiles(modules, false, true, "");
  }

  void ManagerPrinter::printFactories(const RTM::ModuleProfileList& factories) const
  {
    if (factories.length() == 0)
      m_out << "(none)\n";
    printProfiles(factories, true, true, "");
  }

  void ManagerPrinter::printSlaves(const std::vector<ManagerRef::Slave>& slaves, const std::string& indent) const
  {
    TextTable rows(indent);
    for (const ManagerRef::Slave& slave : slaves)
    {
      if (slave.problem.empty())
        rows.add({std::to_string(slave.index), slave.host.empty() ? "?" : slave.host,
                  slave.pid.empty() ? "?" : slave.pid, slave.address});
      else
        rows.add({std::to_string(slave.index), "?", "?", slave.address, "(" + slave.problem + ")"});
    }
    rows.print(m_out);
  }

  void ManagerPrinter::printConfiguration(const NameValues& configuration) const
  {
    std::vector<std::pair<std::string, std::string>> sorted = configuration.pairs();
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    TextTable rows;
    for (const auto& pair : sorted)
      rows.add({pair.first, pair.second});
    rows.print(m_out);
  }
}
