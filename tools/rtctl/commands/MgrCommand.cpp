#include "commands/MgrCommand.h"

#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/ManagerAddress.h"
#include "client/NameValues.h"
#include "commands/CreateArgument.h"
#include "format/ManagerPrinter.h"

#include <cctype>
#include <cstdlib>
#include <iostream>
#include <optional>

namespace rtctl
{
  namespace
  {
    // The middleware's reading of a boolean property: YES anywhere in it is true, else NO
    // anywhere is false, else the default.
    bool isNo(const std::string& value)
    {
      std::string upper;
      for (char c : value)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return upper.find("YES") == std::string::npos && upper.find("NO") != std::string::npos;
    }

    std::vector<std::string> splitCommas(const std::string& text)
    {
      std::vector<std::string> parts;
      std::string::size_type start = 0;
      while (start <= text.size())
      {
        std::string::size_type end = text.find(',', start);
        if (end == std::string::npos)
          end = text.size();
        if (end > start)
          parts.push_back(text.substr(start, end - start));
        start = end + 1;
      }
      return parts;
    }
  }

  const char* MgrCommand::usage() const
  {
    return "usage: rtctl mgr ACTION MANAGER [ARGS...] [--slave N]\n"
           "Drive a manager (rtcd), the process that loads component modules and creates\n"
           "components. MANAGER is a naming path ending in .mgr (/localhost:2809/myhost.host_cxt/\n"
           "manager.mgr, or relative to the default naming service), or HOST:PORT where a master\n"
           "manager listens (corbaloc::HOST:PORT/manager; by default localhost:2810).\n"
           "  ls MANAGER                     its components (instance, type, state; a master's\n"
           "                                 include its slaves'), loaded modules, factories, slaves\n"
           "  modules MANAGER [--loadable]   its loaded modules with their properties; with\n"
           "                                 --loadable, each type a module it could load\n"
           "                                 registers: the module's path, the type's profile\n"
           "  factories MANAGER              the component types it can create, with their profiles\n"
           "  load MANAGER FILE [INITFUNC]   load a module and run INITFUNC in it (default: FILE's\n"
           "                                 name up to its first '.', then Init: Trimul.so ->\n"
           "                                 TrimulInit)\n"
           "  unload MANAGER FILE            unload a module\n"
           "  create MANAGER TYPE[?KEY=VALUE&...]\n"
           "                                 create a component, e.g. 'Trimul?instance_name=fast&\n"
           "                                 exec_cxt.periodic.rate=200'; prints its instance name,\n"
           "                                 then each naming path it is bound under, a line each\n"
           "  delete MANAGER INSTANCE        delete a component by its instance name\n"
           "  slaves MANAGER                 index, host, pid and address of each slave manager\n"
           "  shutdown MANAGER               shut the manager down; its components exit first\n"
           "  config MANAGER [KEY [VALUE]]   its whole configuration (KEY  VALUE, a line each),\n"
           "                                 the value of KEY, or set KEY to VALUE\n"
           "  --slave N                      act on slave N of MANAGER instead: its index as\n"
           "                                 'mgr slaves' shows it, or its host name\n";
  }

  const SubVerbs<MgrCommand::Verb>& MgrCommand::verbs()
  {
    static const SubVerbs<Verb> all(
      "action", "see --help",
      {{"ls", 0, 0, "", [](const Call& c) { ManagerPrinter(std::cout).printOverview(c.manager, c.orb); }},
       {"modules", 0, 0, " [--loadable]", [](const Call& c) { c.self.modules(c.manager, c.line.loadable(), false); }},
       {"factories", 0, 0, "", [](const Call& c) { c.self.modules(c.manager, false, true); }},
       {"load", 1, 2, " FILE [INITFUNC]", [](const Call& c) { c.self.load(c.manager, c.line); }},
       {"unload", 1, 1, " FILE", [](const Call& c) { c.self.unload(c.manager, c.line.operands()[0]); }},
       {"create", 1, 1, " TYPE[?KEY=VALUE&...]", [](const Call& c) { c.self.create(c.manager, *c.request); }},
       {"delete", 1, 1, " INSTANCE", [](const Call& c) { c.self.remove(c.manager, c.line.operands()[0]); }},
       {"slaves", 0, 0, "", [](const Call& c) { ManagerPrinter(std::cout).printSlaves(c.manager.slaves(c.orb)); }},
       {"shutdown", 0, 0, "", [](const Call& c) { c.self.shutdown(c.manager); }},
       {"config", 0, 2, " [KEY [VALUE]]", [](const Call& c) { c.self.config(c.manager, c.line.operands()); }}});
    return all;
  }

  int MgrCommand::run(const std::vector<std::string>& words)
  {
    const ManagerCommandLine line(words);
    const std::string& action = line.action();
    const std::vector<std::string>& operands = line.operands();
    // Checked before any manager is asked, so a mistake costs nothing.
    const ManagerAddress address = ManagerAddress::parse(line.manager(), Session::defaultServer());
    std::optional<CreateArgument> request;
    if (action == "create")
      request = CreateArgument::parse(operands[0]);

    Session session(Orb::kClientOnly);
    CORBA::ORB_ptr orb = session.orb().orb();
    const ManagerRef named(session, address);
    const ManagerRef manager = line.slave().kind == SlaveChoice::kNone ? named : named.slave(orb, line.slave());
    const Call call{*this, manager, line, orb, request};
    verbs().find(action).run(call);
    std::cout.flush();
    return kExitOk;
  }

  void MgrCommand::modules(const ManagerRef& manager, bool loadable, bool factories) const
  {
    RTM::ModuleProfileList_var list;
    try
    {
      if (factories)
        list = manager.ref()->get_factory_profiles();
      else
        list = loadable ? manager.ref()->get_loadable_modules() : manager.ref()->get_loaded_modules();
    }
    catch (const CORBA::Exception& e)
    {
      manager.fail(factories ? "listing its factories" : "listing its modules", e);
    }
    const ManagerPrinter printer(std::cout);
    if (factories)
      printer.printFactories(list.in());
    else
      printer.printModules(list.in());
  }

  void MgrCommand::load(const ManagerRef& manager, const ManagerCommandLine& line) const
  {
    const std::string& file = line.operands()[0];
    const std::string initFunction = line.initFunction();
    // load_module answers a code alone; the manager's standard error has the one line of detail.
    manager.call(
      "loading " + file, "load " + file + " with " + initFunction,
      [&](RTM::Manager_ptr m) { return m->load_module(file.c_str(), initFunction.c_str()); },
      [&](RTC::ReturnCode_t ret) {
        if (ret == RTC::BAD_PARAMETER)
          return " (not a shared object on its load path, or without " + initFunction + " in it)";
        if (ret == RTC::PRECONDITION_NOT_MET)
          return std::string(" (loaded already, or it needs an ORB or middleware library of its own)");
        return std::string();
      });
  }

  void MgrCommand::unload(const ManagerRef& manager, const std::string& file) const
  {
    manager.call("unloading " + file, "unload " + file,
                 [&](RTM::Manager_ptr m) { return m->unload_module(file.c_str()); });
  }

  void MgrCommand::create(const ManagerRef& manager, const CreateArgument& request) const
  {
    const std::string& argument = request.text();
    RTC::RTObject_var component;
    try
    {
      component = manager.ref()->create_component(argument.c_str());
    }
    catch (const CORBA::Exception& e)
    {
      manager.fail("creating '" + argument + "'", e);
    }
    if (CORBA::is_nil(component))
      throw Error(manager.shown() + " created no component for '" + argument + "': " + whyNotCreated(manager, request));

    RTC::ComponentProfile_var profile;
    try
    {
      profile = component->get_component_profile();
    }
    catch (const CORBA::Exception& e)
    {
      throw Error(manager.shown() + " created a component for '" + argument + "' that " + CorbaText::exception(e));
    }
    std::cout << static_cast<const char*>(profile->instance_name) << '\n';
    const NameValues properties(profile->properties);
    if (isNo(properties.value("naming.enable")))
      return;
    for (const std::string& name : splitCommas(properties.value("naming.names")))
      std::cout << name << '\n';
  }

  // create_component answers only nil: the cause is read back from what the manager lists (its
  // factories, its components, its loadable modules), the likeliest first.
  std::string MgrCommand::whyNotCreated(const ManagerRef& manager, const CreateArgument& request) const
  {
    const std::string& type = request.implementationId();
    try
    {
      RTM::ModuleProfileList_var factories = manager.ref()->get_factory_profiles();
      std::optional<NameValues> factory;
      for (CORBA::ULong i = 0; i < factories->length() && !factory; ++i)
        if (NameValues(factories[i].properties).value("implementation_id") == type)
          factory.emplace(factories[i].properties);
      if (!factory)
      {
        // The loadable list names only modules whose types the manager could learn, with those
        // types (older managers of ours listed every file, without types).
        RTM::ModuleProfileList_var loadable = manager.ref()->get_loadable_modules();
        for (CORBA::ULong i = 0; i < loadable->length(); ++i)
        {
          const NameValues module(loadable[i].properties);
          if (module.value("module_file_name") == type + ".so")
            return "its module " + type + ".so did not load or does not register " + type +
                   " (the manager's standard error says why)";
          if (module.value("implementation_id") == type)
            return "the module that registers " + type + " is " + module.value("module_file_name") + ": load it first";
        }
        return "it has no factory for " + type + " and no module on its load path that registers it";
      }
      // In the manager's own order: the instance limit, then the name.
      RTC::ComponentProfileList_var components = manager.ref()->get_component_profiles();
      const std::string typeName = factory->value("type_name");
      size_t sameType = 0;
      for (CORBA::ULong i = 0; i < components->length(); ++i)
        if (typeName == static_cast<const char*>(components[i].type_name))
          ++sameType;
      const std::string max = factory->value("max_instance");
      char* end = nullptr;
      const long limit = std::strtol(max.c_str(), &end, 10);
      if (!max.empty() && *end == '\0' && limit > 0 && sameType >= static_cast<size_t>(limit))
        return "max_instance of " + type + " is " + max + " and " + std::to_string(sameType) +
               " exist (delete one first, or raise max_instance)";
      const std::string wanted = request.instanceName();
      for (CORBA::ULong i = 0; i < components->length(); ++i)
        if (!wanted.empty() && wanted == static_cast<const char*>(components[i].instance_name))
          return "a component named '" + wanted + "' exists already";
    }
    catch (const CORBA::Exception&)
    {
      // The manager stopped answering after the refusal: fall back to the general cause.
    }
    return std::string(request.instanceName().empty() ? "" : "it refused the instance name or ") +
           "the component failed to start (the manager's standard error says why)";
  }

  void MgrCommand::remove(const ManagerRef& manager, const std::string& instance) const
  {
    manager.call(
      "deleting " + instance, "delete " + instance,
      [&](RTM::Manager_ptr m) { return m->delete_component(instance.c_str()); },
      [](RTC::ReturnCode_t ret) {
        return ret == RTC::BAD_PARAMETER ? std::string(" (it has no component of that instance name)") : std::string();
      });
  }

  void MgrCommand::shutdown(const ManagerRef& manager) const
  {
    manager.call("shutdown", "shut down", [](RTM::Manager_ptr m) {
      try
      {
        return m->shutdown();
      }
      catch (const CORBA::COMM_FAILURE& e)
      {
        // The request arrived and the connection closed before the answer: the manager went
        // down while answering, which is what was asked.
        if (e.completed() != CORBA::COMPLETED_MAYBE)
          throw;
        return RTC::RTC_OK;
      }
    });
  }

  void MgrCommand::config(const ManagerRef& manager, const std::vector<std::string>& operands) const
  {
    if (operands.size() == 2)
    {
      manager.call("setting " + operands[0], "set " + operands[0] + "=" + operands[1],
                   [&](RTM::Manager_ptr m) { return m->set_configuration(operands[0].c_str(), operands[1].c_str()); });
      return;
    }
    RTM::NVList_var list;
    try
    {
      list = manager.ref()->get_configuration();
    }
    catch (const CORBA::Exception& e)
    {
      manager.fail("reading its configuration", e);
    }
    const NameValues configuration(list.in());
    if (operands.empty())
    {
      ManagerPrinter(std::cout).printConfiguration(configuration);
      return;
    }
    if (!configuration.has(operands[0]))
      throw Error(manager.shown() + " has no configuration key '" + operands[0] + "'");
    std::cout << configuration.value(operands[0]) << '\n';
  }
}
