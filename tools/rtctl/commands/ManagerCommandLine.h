// The command line of `rtctl mgr`: ACTION MANAGER [OPERAND...] [--slave N] [--loadable],
// checked against what each action takes before anything is asked of a manager.
#pragma once

#include "client/SlaveChoice.h"

#include <string>
#include <vector>

namespace rtctl
{
  class ManagerCommandLine
  {
  public:
    // `words` are those after "mgr". Throws UsageError: unknown action, missing MANAGER, too
    // few or too many operands, an option the action does not take.
    explicit ManagerCommandLine(const std::vector<std::string>& words);

    const std::string& action() const { return m_action; }
    const std::string& manager() const { return m_manager; }
    // What follows MANAGER: FILE [INITFUNC], INSTANCE, KEY [VALUE], ...
    const std::vector<std::string>& operands() const { return m_operands; }
    const SlaveChoice& slave() const { return m_slave; }
    bool loadable() const { return m_loadable; }

    // load: INITFUNC as given, else the module's base name up to its first '.' followed by
    // "Init", as managers do for modules they preload: "/opt/rtc/Trimul.so" → "TrimulInit".
    std::string initFunction() const;
    static std::string defaultInitFunction(const std::string& file);

  private:
    std::string m_action;
    std::string m_manager;
    std::vector<std::string> m_operands;
    SlaveChoice m_slave;
    bool m_loadable = false;
  };
}
