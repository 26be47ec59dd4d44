// mgr: what users ask of a manager daemon (rtcd) and its slaves: what it runs, which modules
// and component types it has, loading and unloading modules, creating and deleting components,
// its configuration, and shutting it down.
#pragma once

#include "client/Command.h"
#include "client/ManagerRef.h"
#include "client/Session.h"
#include "commands/CreateArgument.h"
#include "commands/ManagerCommandLine.h"
#include "commands/SubVerbs.h"

#include <optional>

namespace rtctl
{
  class MgrCommand : public Command
  {
  public:
    const char* name() const override { return "mgr"; }
    const char* summary() const override { return "a manager: its components, modules, factories, slaves, config"; }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;

    // What each action is run with.
    struct Call
    {
      const MgrCommand& self;
      const ManagerRef& manager;
      const ManagerCommandLine& line;
      CORBA::ORB_ptr orb;
      const std::optional<CreateArgument>& request;
    };
    // Each action: its word, the operands it takes after MANAGER (as --help shows them) and what
    // runs it. ManagerCommandLine checks a command line against these before a manager is asked.
    struct Verb
    {
      const char* word;
      size_t minOperands;
      size_t maxOperands;
      const char* operands;
      void (*run)(const Call& call);
    };
    static const SubVerbs<Verb>& verbs();

  private:
    void load(const ManagerRef& manager, const ManagerCommandLine& line) const;
    void unload(const ManagerRef& manager, const std::string& file) const;
    void create(const ManagerRef& manager, const CreateArgument& request) const;
    std::string whyNotCreated(const ManagerRef& manager, const CreateArgument& request) const;
    void remove(const ManagerRef& manager, const std::string& instance) const;
    void shutdown(const ManagerRef& manager) const;
    void config(const ManagerRef& manager, const std::vector<std::string>& operands) const;
    void modules(const ManagerRef& manager, bool loadable, bool factories) const;
  };
}
