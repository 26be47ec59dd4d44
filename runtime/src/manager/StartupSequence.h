// What a manager does once at activation, from its configuration: loads the modules of
// manager.modules.preload, creates manager.components.precreate, connects
// manager.components.preconnect and activates manager.components.preactivation. A problem with
// one entry is reported and the rest go on: a daemon that starts with one component missing is
// easier to mend than one that does not start.
#pragma once

#include <string>

namespace rtm
{
  class ComponentTable;
  class FactoryRegistry;
  class ManagerSettings;

  class StartupSequence
  {
  public:
    // `program` names the process in the lines on standard error.
    StartupSequence(ManagerSettings& settings, FactoryRegistry& types, ComponentTable& components,
                    const std::string& program);

    void preload();
    void preCreate();
    void preConnect();
    void preActivate();
    // One line to the log and to standard error, where the daemon's operator sees it with
    // logging off.
    void report(const std::string& line);

  private:
    ManagerSettings& m_settings;
    FactoryRegistry& m_types;
    ComponentTable& m_components;
    const std::string m_program;
  };
}
