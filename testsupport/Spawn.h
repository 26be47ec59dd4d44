#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace testsupport
{

  // What to start and where its standard streams go. A stream left at -1 is connected to /dev/null,
  // so a child never reads the test's terminal or writes into the test report.
  struct SpawnOptions
  {
    std::vector<std::string> argv;  // argv[0]: a path, or a bare name looked up in PATH
    std::map<std::string, std::string> extraEnv;  // added to, or replacing entries of, our environment
    int stdinFd = -1;
    int stdoutFd = -1;
    int stderrFd = -1;
  };

  // Starts the program and returns its pid once exec has succeeded. Throws std::runtime_error when
  // the program cannot be found or exec fails, so callers never hold the pid of a half-started child.
  // The child is killed if the thread that spawned it ends (PR_SET_PDEATHSIG), so a test runner that
  // is killed on timeout leaves no name servers or components behind: spawn from a long-lived thread.
  pid_t spawnProcess(const SpawnOptions& options);

  // Reaps the process if it has ended, without blocking.
  bool tryReap(pid_t pid, int& status);

  // Asks the process to stop (SIGTERM), escalates to SIGKILL after `grace`, and always reaps it.
  // Returns the raw wait status.
  int terminateProcess(pid_t pid, std::chrono::milliseconds grace);

  // Sends `sig`, waits up to `grace` for the process to end, then SIGKILL; always reaps.
  int signalAndReap(pid_t pid, int sig, std::chrono::milliseconds grace);

}  // namespace testsupport
