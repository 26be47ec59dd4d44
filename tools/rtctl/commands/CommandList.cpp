#include "commands/CommandList.h"

#include "commands/CatCommand.h"
#include "commands/ConfCommand.h"
#include "commands/ConnectCommand.h"
#include "commands/ContextCommand.h"
#include "commands/DisconnectCommand.h"
#include "commands/ExitCommand.h"
#include "commands/InjectCommand.h"
#include "commands/LsCommand.h"
#include "commands/MgrCommand.h"
#include "commands/PrintCommand.h"
#include "commands/StateCommand.h"
#include "commands/SystemCommand.h"
#include "watch/WatchCommand.h"
#include "web/ServeCommand.h"

namespace rtctl
{
  std::vector<std::unique_ptr<Command>> allCommands()
  {
    std::vector<std::unique_ptr<Command>> all;
    all.emplace_back(new LsCommand);
    all.emplace_back(new CatCommand);
    for (const char* word : {"activate", "deactivate", "reset"})
      all.emplace_back(new StateCommand(word));
    all.emplace_back(new ExitCommand);
    all.emplace_back(new ConnectCommand);
    all.emplace_back(new DisconnectCommand);
    all.emplace_back(new InjectCommand);
    all.emplace_back(new PrintCommand);
    all.emplace_back(new ServeCommand);
    all.emplace_back(new SystemCommand);
    all.emplace_back(new WatchCommand);
    for (const char* word : {"start", "stop", "rate"})
      all.emplace_back(new ContextCommand(word));
    all.emplace_back(new ConfCommand);
    all.emplace_back(new MgrCommand);
    return all;
  }
}
