#include <rtm/detail/ModuleTypeHelper.h>

#include "manager/ModuleTypeProbe.h"
#include "manager/ModuleTypeReport.h"

#include <rtm/Manager.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sys/prctl.h>
#include <unistd.h>

namespace rtm
{
  namespace
  {
    void writeAll(int fd, const std::string& text)
    {
      std::size_t done = 0;
      while (done < text.size())
      {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
          continue;
        if (n <= 0)
          std::_Exit(1);
        done += static_cast<std::size_t>(n);
      }
    }
  }

  bool isModuleTypeHelperCall(int argc, char** argv)
  {
    return argc >= 2 && argv != nullptr && argv[1] != nullptr && std::strcmp(argv[1], ModuleTypeProbe::kOption) == 0;
  }

  void runModuleTypeHelper(int argc, char** argv)
  {
    if (argc != 3 || argv[2][0] != '/')
    {
      std::cerr << "usage: rtcd " << ModuleTypeProbe::kOption << " /ABSOLUTE/PATH/MODULE.so" << std::endl;
      std::_Exit(2);
    }
    // A manager that dies while it waits must not leave a module's init function running on
    // (the signal comes when the manager's waiting thread ends, which outlives this process).
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The report goes out where standard output went; whatever the module itself prints there
    // goes nowhere, so that it cannot be taken for a profile.
    std::fflush(stdout);
    const int report = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (report < 0 || nowhere < 0 || ::dup2(nowhere, STDOUT_FILENO) < 0)
      std::_Exit(1);
    ::close(nowhere);

    // Nothing from the configuration files that the manager's own start-up would read: endpoints
    // there would collide with the manager's, and preloads are not this module.
    std::vector<std::string> words = {argv[0],     "-f",
                                      "/dev/null", "-a",
                                      "-o",        "naming.enable:NO",
                                      "-o",        "logger.enable:YES",
                                      "-o",        "logger.file_name:stderr",
                                      "-o",        "logger.log_level:ERROR",
                                      "-o",        "corba.endpoints:127.0.0.1:",
                                      "-o",        "manager.modules.abs_path_allowed:YES"};
    std::vector<char*> managerArgv;
    managerArgv.reserve(words.size() + 1);
    for (std::string& word : words)
      managerArgv.push_back(&word[0]);
    managerArgv.push_back(nullptr);
    RTC::Manager* manager = RTC::Manager::init(static_cast<int>(words.size()), managerArgv.data());
    // Nothing else was loaded into this manager: no loaded module means this one failed.
    manager->load(argv[2], "");
    if (manager->getLoadedModules().empty())
    {
      // Why is in the error line the manager logged just now.
      std::cerr << "rtcd: module '" << argv[2] << "' does not load" << std::endl;
      std::_Exit(3);
    }
    writeAll(report, ModuleTypeReport::write(manager->getFactoryProfiles()));
    // Whatever the module started (threads, a component) ends with the process, unwound by nobody.
    std::_Exit(0);
  }
}
