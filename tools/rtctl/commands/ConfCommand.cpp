#include "commands/ConfCommand.h"

#include "client/Arguments.h"
#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/Session.h"
#include "commands/SubVerbs.h"
#include "format/TextTable.h"

#include <iostream>

namespace rtctl
{
  namespace
  {
    // A set's own description travels as a value of that name; it is shown on the set's line.
    const char* const kDescriptionKey = "description";
  }

  const char* ConfCommand::usage() const
  {
    return "usage: rtctl conf PATH\n"
           "       rtctl conf PATH set [-s SET] KEY VALUE\n"
           "       rtctl conf PATH activate SET\n"
           "Without an action, list every configuration set of the component with its parameters;\n"
           "the active set is marked '*'. Every component has at least the set 'default'.\n"
           "  set       store KEY=VALUE in a set, then activate that set so that the value\n"
           "            applies; the set must exist; a KEY that is none of the component's\n"
           "            parameters is set too, with a warning\n"
           "    -s SET  the set to change (default: the active one)\n"
           "  activate  make SET the active set; its values apply at the component's next\n"
           "            update point\n";
  }

  int ConfCommand::run(const std::vector<std::string>& words)
  {
    struct Verb
    {
      const char* word;
      size_t operands;  // PATH and the verb included
      const char* wrongCount;
      void (ConfCommand::*run)(const ComponentRef& component, SDOPackage::Configuration_ptr configuration,
                               const std::string& active, const Arguments& args) const;
    };
    // No verb after the PATH lists the sets.
    static const SubVerbs<Verb> verbs(
      "action", "set or activate; see --help",
      {{"", 1, "takes one PATH (see --help)", &ConfCommand::list},
       {"set", 4, "set takes KEY VALUE: conf PATH set [-s SET] KEY VALUE", &ConfCommand::set},
       {"activate", 3, "activate takes one SET: conf PATH activate SET", &ConfCommand::activate}});
    const Arguments args(words, {}, {"-s"});
    const std::vector<std::string>& operands = args.positional();
    if (operands.empty())
      throw UsageError("takes a PATH (see --help)");
    const std::string action = operands.size() > 1 ? operands[1] : "";
    const Verb& verb = verbs.find(action);
    if (operands.size() != verb.operands)
      throw UsageError(verb.wrongCount);
    if (args.has("-s") && action != "set")
      throw UsageError("-s goes with set");
    if (action == "set" && operands[2].empty())
      throw UsageError("empty KEY");
    if (args.has("-s") && args.value("-s").empty())
      throw UsageError("option -s needs a set name");
    if (action == "activate" && operands[2].empty())
      throw UsageError("empty SET");

    Session session(Orb::kClientOnly);
    const RtPath path = session.path(operands[0]).requireNoPort("conf takes a component");
    const ComponentRef component(session.names(path), path);
    SDOPackage::Configuration_var configuration;
    try
    {
      configuration = component.ref()->get_configuration();
    }
    catch (const CORBA::Exception& e)
    {
      component.fail("reading its configuration", e);
    }
    if (CORBA::is_nil(configuration))
      throw Error(path.text() + " has no configuration object");

    // Asked first: a component of middleware 1.1 that has no parameters lists its 'default'
    // set only once something has asked for the active one.
    (this->*verb.run)(component, configuration.in(), activeSet(component, configuration.in()), args);
    return kExitOk;
  }

  std::string ConfCommand::activeSet(const ComponentRef& component, SDOPackage::Configuration_ptr configuration) const
  {
    try
    {
      SDOPackage::ConfigurationSet_var active = configuration->get_active_configuration_set();
      return static_cast<const char*>(active->id);
    }
    catch (const SDOPackage::NotAvailable&)
    {
      return std::string();
    }
    catch (const CORBA::Exception& e)
    {
      component.fail("reading its active configuration set", e);
    }
  }

  SDOPackage::ConfigurationSetList* ConfCommand::allSets(const ComponentRef& component,
                                                         SDOPackage::Configuration_ptr configuration) const
  {
    try
    {
      return configuration->get_configuration_sets();
    }
    catch (const CORBA::Exception& e)
    {
      component.fail("reading its configuration sets", e);
    }
  }

  void ConfCommand::list(const ComponentRef& component, SDOPackage::Configuration_ptr configuration,
                         const std::string& active, const Arguments&) const
  {
    SDOPackage::ConfigurationSetList_var sets = allSets(component, configuration);
    if (sets->length() == 0)
      std::cout << "(no configuration sets)\n";
    for (CORBA::ULong i = 0; i < sets->length(); ++i)
    {
      const SDOPackage::ConfigurationSet& set = sets[i];
      const std::string id = static_cast<const char*>(set.id);
      const std::string description = static_cast<const char*>(set.description);
      std::cout << (id == active ? "* " : "  ") << id << (description.empty() ? "" : "  " + description) << '\n';
      TextTable values("    ");
      for (CORBA::ULong k = 0; k < set.configuration_data.length(); ++k)
      {
        const std::string key = static_cast<const char*>(set.configuration_data[k].name);
        if (key != kDescriptionKey)
          values.add({key, CorbaText::anyValue(set.configuration_data[k].value)});
      }
      values.print(std::cout);
    }
    if (active.empty())
      std::cout << "(no set is active: values changed since the last activation)\n";
    std::cout.flush();
  }

  void ConfCommand::requireSet(const ComponentRef& component, SDOPackage::Configuration_ptr configuration,
                               const std::string& setId) const
  {
    SDOPackage::ConfigurationSetList_var sets = allSets(component, configuration);
    std::string known;
    for (CORBA::ULong i = 0; i < sets->length(); ++i)
    {
      const std::string id = static_cast<const char*>(sets[i].id);
      if (id == setId)
        return;
      known += (known.empty() ? "" : ", ") + id;
    }
    throw Error(component.path().text() + " has no configuration set '" + setId + "'" +
                (known.empty() ? std::string(" (it has none)") : " (its sets: " + known + ")"));
  }

  void ConfCommand::set(const ComponentRef& component, SDOPackage::Configuration_ptr configuration,
                        const std::string& active, const Arguments& args) const
  {
    const std::string target = args.has("-s") ? args.value("-s") : active;
    const std::string& key = args.positional()[2];
    const std::string& value = args.positional()[3];
    if (target.empty())
      throw Error(component.path().text() +
                  " has no active configuration set (values changed since the last activation); "
                  "name one with -s");
    // A set that does not exist would be made by the call below: refused instead, so that a
    // mistyped name cannot switch the component to a new set holding one value.
    requireSet(component, configuration, target);
    warnIfNoParameter(component, configuration, target, key);
    const std::string where = "'" + target + "' of " + component.path().text();
    try
    {
      SDOPackage::ConfigurationSet_var current = configuration->get_configuration_set(target.c_str());
      SDOPackage::ConfigurationSet change;
      change.id = CORBA::string_dup(target.c_str());
      change.description = current->description;
      change.configuration_data.length(1);
      change.configuration_data[0].name = CORBA::string_dup(key.c_str());
      change.configuration_data[0].value <<= value.c_str();
      if (!configuration->set_configuration_set_values(change))
        throw Error("configuration set " + where + " refused " + key + "=" + value);
      if (!configuration->activate_configuration_set(target.c_str()))
        throw Error("configuration set " + where + " took " + key + "=" + value + " but refused to be activated");
    }
    catch (const SDOPackage::InvalidParameter& e)
    {
      throw Error("configuration set " + where + " refused " + key + "=" + value + ": " +
                  static_cast<const char*>(e.description));
    }
    catch (const CORBA::Exception& e)
    {
      component.fail("setting " + key + " in configuration set '" + target + "'", e);
    }
  }

  // The middleware stores any key it is given, so a mistyped name would otherwise pass unseen:
  // the component's parameters are the keys of its 'default' set (and of the set being changed).
  void ConfCommand::warnIfNoParameter(const ComponentRef& component, SDOPackage::Configuration_ptr configuration,
                                      const std::string& setId, const std::string& key) const
  {
    SDOPackage::ConfigurationSetList_var sets = allSets(component, configuration);
    std::string known;
    for (CORBA::ULong i = 0; i < sets->length(); ++i)
    {
      const std::string id = static_cast<const char*>(sets[i].id);
      if (id != setId && id != "default")
        continue;
      for (CORBA::ULong k = 0; k < sets[i].configuration_data.length(); ++k)
      {
        const std::string name = static_cast<const char*>(sets[i].configuration_data[k].name);
        if (name == key)
          return;
        if (name != kDescriptionKey && (", " + known + ", ").find(", " + name + ", ") == std::string::npos)
          known += (known.empty() ? "" : ", ") + name;
      }
    }
    std::cerr << "rtctl: conf: warning: " << component.path().text() << " has no parameter '" << key << "' ("
              << (known.empty() ? std::string("it has none") : "its parameters: " + known) << "); setting it in '"
              << setId << "' all the same" << std::endl;
  }

  void ConfCommand::activate(const ComponentRef& component, SDOPackage::Configuration_ptr configuration,
                             const std::string&, const Arguments& args) const
  {
    const std::string& setId = args.positional()[2];
    requireSet(component, configuration, setId);
    const std::string where = "configuration set '" + setId + "' of " + component.path().text();
    try
    {
      if (!configuration->activate_configuration_set(setId.c_str()))
        throw Error(where + " refused to be activated");
    }
    catch (const SDOPackage::InvalidParameter& e)
    {
      throw Error(where + " cannot be activated: " + static_cast<const char*>(e.description) +
                  (setId[0] == '_' ? " (sets whose names begin with '_' are hidden ones)" : ""));
    }
    catch (const CORBA::Exception& e)
    {
      component.fail("activating configuration set '" + setId + "'", e);
    }
  }
}
