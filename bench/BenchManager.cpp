#include "BenchManager.h"

namespace bench
{
  RTC::Manager* startManager(int argc, char** argv, int first, RTC::ModuleInitProc init,
                             const std::vector<std::string>& leading)
  {
    // The manager reads its arguments during init() and keeps copies.
    std::vector<std::string> options = leading;
    std::vector<char*> args = {argv[0]};
    for (std::string& option : options)
      args.push_back(&option[0]);
    for (int i = first; i < argc; ++i)
      args.push_back(argv[i]);
    args.push_back(nullptr);
    RTC::Manager* manager = RTC::Manager::init(int(args.size()) - 1, args.data());
    manager->setModuleInitProc(init);
    manager->activateManager();
    manager->runManager(true);
    return manager;
  }
}
