#include "manager/ModuleTypeProbe.h"

#include "manager/ModuleTypeReport.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace rtm
{
  const char* const ModuleTypeProbe::kOption = "--module-types";

  namespace
  {
    using Clock = std::chrono::steady_clock;

    int millisecondsUntil(Clock::time_point deadline)
    {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, INT_MAX));
    }

    // Reaps the helper, waiting for it until `deadline` and killing it then.
    int reap(pid_t pid, Clock::time_point deadline)
    {
      int status = 0;
      for (;;)
      {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
          return status;
        if (Clock::now() >= deadline)
          break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR)
      {}
      return status;
    }

    pid_t spawn(const std::string& helper, const std::string& path, int output, std::string& error)
    {
      posix_spawn_file_actions_t actions;
      posix_spawn_file_actions_init(&actions);
      posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
      posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
      // The ORB's sockets and the manager's own files stay with the manager.
      posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
      // The helper starts with the signals a program expects, whatever this thread blocks.
      posix_spawnattr_t attributes;
      posix_spawnattr_init(&attributes);
      sigset_t none;
      sigemptyset(&none);
      posix_spawnattr_setsigmask(&attributes, &none);
      sigset_t defaults;
      sigemptyset(&defaults);
      for (int signal : {SIGINT, SIGTERM, SIGPIPE})
        sigaddset(&defaults, signal);
      posix_spawnattr_setsigdefault(&attributes, &defaults);
      posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

      std::string program = helper;
      std::string option = ModuleTypeProbe::kOption;
      std::string module = path;
      char* argv[] = {&program[0], &option[0], &module[0], nullptr};
      pid_t pid = -1;
      const int failed = ::posix_spawn(&pid, helper.c_str(), &actions, &attributes, argv, environ);
      posix_spawnattr_destroy(&attributes);
      posix_spawn_file_actions_destroy(&actions);
      if (failed != 0)
      {
        error = "cannot start '" + helper + "': " + std::strerror(failed);
        return -1;
      }
      return pid;
    }
  }

  ModuleTypeProbe::ModuleTypeProbe(std::string helper) : ModuleTypeProbe(std::move(helper), Limits()) {}

  ModuleTypeProbe::ModuleTypeProbe(std::string helper, Limits limits) : m_helper(std::move(helper)), m_limits(limits) {}

  bool ModuleTypeProbe::run(const std::string& path, std::vector<coil::Properties>& types, std::string& error) const
  {
    if (m_helper.empty())
    {
      error = "no rtcd beside this program to load it in";
      return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
    {
      error = std::string("cannot make a pipe: ") + std::strerror(errno);
      return false;
    }
    const pid_t pid = spawn(m_helper, path, fds[1], error);
    ::close(fds[1]);
    if (pid < 0)
    {
      ::close(fds[0]);
      return false;
    }

    const Clock::time_point deadline = Clock::now() + m_limits.time;
    std::string text;
    bool late = false;
    bool tooLong = false;
    for (;;)
    {
      pollfd ready{fds[0], POLLIN, 0};
      const int polled = ::poll(&ready, 1, millisecondsUntil(deadline));
      if (polled < 0 && errno == EINTR)
        continue;
      if (polled == 0)
      {
        late = true;
        break;
      }
      char buffer[4096];
      const ssize_t got = polled < 0 ? -1 : ::read(fds[0], buffer, sizeof buffer);
      if (got < 0 && errno == EINTR)
        continue;
      if (got <= 0)
        break;
      if (text.size() + static_cast<std::size_t>(got) > m_limits.output)
      {
        tooLong = true;
        break;
      }
      text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    const int status = reap(pid, late || tooLong ? Clock::now() : deadline);

    const long limitMs = static_cast<long>(m_limits.time.count());
    if (late || (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL && !tooLong))
      error = "loading it took longer than " + std::to_string(limitMs) + " ms";
    else if (tooLong)
      error = "loading it printed more than " + std::to_string(m_limits.output) + " bytes";
    else if (WIFSIGNALED(status))
      error = std::string("loading it ended the helper with signal ") + ::strsignal(WTERMSIG(status));
    else if (WEXITSTATUS(status) != 0)
      error = "it does not load (rtcd " + std::string(kOption) + " " + path + " says why)";
    else if (ModuleTypeReport::read(text, types, error))
      return true;
    else
      error = "its helper answered no profile: " + error;
    return false;
  }

  std::string ModuleTypeProbe::helperBesideThisProgram()
  {
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
      return {};
    std::string path(self, static_cast<std::size_t>(length));
    path = path.substr(0, path.rfind('/') + 1) + "rtcd";
    return ::access(path.c_str(), X_OK) == 0 ? path : std::string();
  }
}
