#include "commands/ManagerCommandLine.h"

#include "client/Arguments.h"
#include "client/Error.h"
#include "commands/MgrCommand.h"

namespace rtctl
{
  ManagerCommandLine::ManagerCommandLine(const std::vector<std::string>& words)
  {
    const Arguments args(words, {"--loadable"}, {"--slave"});
    const std::vector<std::string>& positional = args.positional();
    if (positional.empty())
      throw UsageError("takes an ACTION and a MANAGER (see --help)");
    m_action = positional[0];
    const MgrCommand::Verb* action = &MgrCommand::verbs().find(m_action);
    if (positional.size() < 2)
      throw UsageError(m_action + " takes a MANAGER: mgr " + m_action + " MANAGER" + action->operands);
    m_manager = positional[1];
    m_operands.assign(positional.begin() + 2, positional.end());
    if (m_operands.size() < action->minOperands || m_operands.size() > action->maxOperands)
      throw UsageError(m_action + " takes MANAGER" + action->operands + " (see --help)");
    // Only a configuration value may be empty: it clears that key.
    for (size_t i = 0; i < m_operands.size(); ++i)
      if (m_operands[i].empty() && !(m_action == "config" && i == 1))
        throw UsageError(m_action + ": empty word after MANAGER");
    m_loadable = args.has("--loadable");
    if (m_loadable && m_action != "modules")
      throw UsageError("--loadable goes with modules");
    if (args.has("--slave"))
      m_slave = SlaveChoice::parse(args.value("--slave"));
  }

  std::string ManagerCommandLine::defaultInitFunction(const std::string& file)
  {
    std::string base = file.substr(file.rfind('/') == std::string::npos ? 0 : file.rfind('/') + 1);
    const std::string::size_type dot = base.find('.');
    if (dot != std::string::npos && dot > 0)
      base.erase(dot);
    return base + "Init";
  }

  std::string ManagerCommandLine::initFunction() const
  {
    return m_operands.size() > 1 ? m_operands[1] : defaultInitFunction(m_operands.at(0));
  }
}
