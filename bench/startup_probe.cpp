// Start-up time of a server: from just before it is spawned to the moment its name resolves in the
// naming service; then it asks the server to stop (SIGINT) and times that too.
//   startup_probe NSPORT INSTANCE LOGFILE -- COMMAND [ARGS...]
// Prints "startup_us=<n> stop_ms=<m>". The server's output goes to LOGFILE; it finds the spawn
// time in BENCH_SPAWN_NS (CLOCK_MONOTONIC nanoseconds) if it wants to time its own phases.
#include "BenchNaming.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

extern char** environ;

namespace
{
  using Clock = std::chrono::steady_clock;

  constexpr double kStartTimeoutS = 20.0;
  constexpr double kStopTimeoutS = 10.0;

  // True once pid has exited (it is reaped then).
  bool exited(pid_t pid)
  {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
  }

  // Asks pid to stop; escalates to SIGKILL after the timeout. Milliseconds until it was gone.
  double stop(pid_t pid)
  {
    const auto t0 = Clock::now();
    kill(pid, SIGINT);
    while (!exited(pid))
    {
      if (Clock::now() - t0 > std::chrono::duration<double>(kStopTimeoutS))
      {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  }
}

int main(int argc, char** argv)
{
  if (argc < 6 || std::strcmp(argv[4], "--") != 0)
  {
    std::cerr << "usage: startup_probe NSPORT INSTANCE LOGFILE -- COMMAND [ARGS...]\n";
    return 2;
  }
  const int nsPort = static_cast<int>(bench::argNumber(argv[1], "NSPORT"));
  const std::string path = bench::componentPath(argv[2]);
  const char* logFile = argv[3];
  char** command = argv + 5;

  try
  {
    CORBA::ORB_var orb = bench::initLoopbackOrb(argv[0]);
    CosNaming::NamingContextExt_var root = bench::namingRoot(orb, nsPort);
    // A binding left by an earlier run would make the name resolve before the server is up.
    bench::unbindIfBound(root, path);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logFile, O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);

    const auto t0 = Clock::now();
    // steady_clock is CLOCK_MONOTONIC: a child that reads it can tell its own phases from the spawn.
    setenv("BENCH_SPAWN_NS",
           std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(t0.time_since_epoch()).count()).c_str(),
           1);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, command[0], &actions, nullptr, command, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
    {
      std::cerr << "startup_probe: cannot start " << command[0] << ": " << std::strerror(rc) << "\n";
      return 1;
    }

    for (;;)
    {
      CORBA::Object_var obj = bench::tryResolve(root, path);
      if (!CORBA::is_nil(obj))
        break;
      if (exited(pid))
      {
        std::cerr << "startup_probe: " << command[0] << " exited before binding " << path << " (see " << logFile
                  << ")\n";
        return 1;
      }
      if (Clock::now() - t0 > std::chrono::duration<double>(kStartTimeoutS))
      {
        std::cerr << "startup_probe: " << path << " not bound after " << kStartTimeoutS << " s\n";
        stop(pid);
        return 1;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    const auto t1 = Clock::now();
    const double stopMs = stop(pid);
    std::cout << "startup_us=" << std::chrono::duration_cast<std::chrono::microseconds>(t1 - t0).count()
              << " stop_ms=" << stopMs << std::endl;
    orb->destroy();
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "startup_probe: " << e._name() << " talking to the naming service on 127.0.0.1:" << nsPort << "\n";
    return 1;
  }
  return 0;
}
