#include "testsupport/Spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace testsupport
{
  namespace
  {

    std::string resolveProgram(const std::string& program)
    {
      if (program.find('/') != std::string::npos)
      {
        return program;
      }
      const char* path = std::getenv("PATH");
      std::string dirs = path ? path : "/usr/bin:/bin";
      std::size_t begin = 0;
      while (begin <= dirs.size())
      {
        std::size_t end = dirs.find(':', begin);
        if (end == std::string::npos)
        {
          end = dirs.size();
        }
        const std::string dir = end > begin ? dirs.substr(begin, end - begin) : ".";
        std::string candidate = dir + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0)
        {
          return candidate;
        }
        begin = end + 1;
      }
      throw std::runtime_error("program not found in PATH: " + program);
    }

    std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& extra)
    {
      std::vector<std::string> env;
      for (char** entry = environ; entry && *entry; ++entry)
      {
        const std::string text = *entry;
        const std::string key = text.substr(0, text.find('='));
        if (extra.count(key) == 0)
        {
          env.push_back(text);
        }
      }
      for (const auto& [key, value] : extra)
      {
        env.push_back(key + "=" + value);
      }
      return env;
    }

    std::vector<char*> pointers(std::vector<std::string>& strings)
    {
      std::vector<char*> result;
      result.reserve(strings.size() + 1);
      for (auto& s : strings)
      {
        result.push_back(s.data());
      }
      result.push_back(nullptr);
      return result;
    }

    // Runs in the forked child of a multi-threaded parent: only async-signal-safe calls from here on.
    [[noreturn]] void execChild(const char* program, char* const* argv, char* const* envp, const int (&streams)[3],
                                int errWrite, pid_t parent, int maxFd)
    {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent)
      {
        ::_exit(127);  // the parent died before the death signal was armed
      }
      // Dispositions set to "ignore" and blocked signals survive exec; the child must start clean
      // or, for instance, SIGINT sent by a test would be silently lost.
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      for (int sig = 1; sig < NSIG; ++sig)
      {
        ::signal(sig, SIG_DFL);
      }

      // Lift every descriptor we need above the stdio range first, so dup2 below never overwrites
      // a source that happens to be 0, 1 or 2.
      const int errFd = ::fcntl(errWrite, F_DUPFD_CLOEXEC, 3);
      if (errFd < 0)
      {
        ::_exit(127);
      }
      auto fail = [errFd]() {
        const int error = errno;
        ssize_t ignored = ::write(errFd, &error, sizeof error);
        (void)ignored;
        ::_exit(127);
      };
      int sources[3];
      for (int i = 0; i < 3; ++i)
      {
        sources[i] = ::fcntl(streams[i], F_DUPFD_CLOEXEC, 3);
        if (sources[i] < 0)
        {
          fail();
        }
      }
      for (int i = 0; i < 3; ++i)
      {
        if (::dup2(sources[i], i) < 0)
        {
          fail();
        }
      }
      // The parent's sockets (a test ORB's listening endpoint, for one) must not leak into the child.
      const bool closed = (errFd == 3 || ::close_range(3, errFd - 1, 0) == 0) && ::close_range(errFd + 1, ~0U, 0) == 0;
      if (!closed)
      {
        for (int fd = 3; fd < maxFd; ++fd)
        {
          if (fd != errFd)
          {
            ::close(fd);
          }
        }
      }
      ::execve(program, argv, envp);
      fail();
      ::_exit(127);  // not reached; fail() exits, but the compiler cannot see through the lambda
    }

    class Descriptor
    {
    public:
      explicit Descriptor(int fd = -1) : fd_(fd) {}
      ~Descriptor() { reset(); }
      Descriptor(const Descriptor&) = delete;
      Descriptor& operator=(const Descriptor&) = delete;
      int get() const { return fd_; }
      void reset()
      {
        if (fd_ >= 0)
        {
          ::close(fd_);
          fd_ = -1;
        }
      }

    private:
      int fd_;
    };

  }  // namespace

  pid_t spawnProcess(const SpawnOptions& options)
  {
    if (options.argv.empty())
    {
      throw std::invalid_argument("spawnProcess: empty argv");
    }
    // Everything the child touches is prepared before fork.
    const std::string program = resolveProgram(options.argv[0]);
    std::vector<std::string> args = options.argv;
    std::vector<std::string> env = mergedEnvironment(options.extraEnv);
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(env);
    const long openMax = ::sysconf(_SC_OPEN_MAX);
    const int maxFd = openMax > 0 && openMax < 65536 ? static_cast<int>(openMax) : 65536;

    Descriptor devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (devNull.get() < 0)
    {
      throw std::runtime_error(std::string("cannot open /dev/null: ") + std::strerror(errno));
    }
    const int streams[3] = {options.stdinFd >= 0 ? options.stdinFd : devNull.get(),
                            options.stdoutFd >= 0 ? options.stdoutFd : devNull.get(),
                            options.stderrFd >= 0 ? options.stderrFd : devNull.get()};
    int errPipe[2];
    if (::pipe2(errPipe, O_CLOEXEC) != 0)
    {
      throw std::runtime_error(std::string("pipe2 failed: ") + std::strerror(errno));
    }
    Descriptor errRead(errPipe[0]);
    Descriptor errWrite(errPipe[1]);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
    {
      throw std::runtime_error(std::string("fork failed: ") + std::strerror(errno));
    }
    if (pid == 0)
    {
      execChild(program.c_str(), argv.data(), envp.data(), streams, errWrite.get(), parent, maxFd);
    }
    errWrite.reset();

    // The error pipe closes on a successful exec; a message on it means exec failed.
    int childErrno = 0;
    ssize_t n;
    do
    {
      n = ::read(errRead.get(), &childErrno, sizeof childErrno);
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(sizeof childErrno))
    {
      int status = 0;
      ::waitpid(pid, &status, 0);
      throw std::runtime_error("cannot start " + program + ": " + std::strerror(childErrno));
    }
    return pid;
  }

  bool tryReap(pid_t pid, int& status)
  {
    pid_t r;
    do
    {
      r = ::waitpid(pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    // ECHILD means someone else reaped it; treat it as gone rather than running forever.
    return r == pid || (r < 0 && errno == ECHILD);
  }

  int signalAndReap(pid_t pid, int sig, std::chrono::milliseconds grace)
  {
    int status = 0;
    ::kill(pid, sig);
    ::kill(pid, SIGCONT);  // a stopped process would otherwise never act on sig
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (std::chrono::steady_clock::now() < deadline)
    {
      if (tryReap(pid, status))
      {
        return status;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR)
    {}
    return status;
  }

  int terminateProcess(pid_t pid, std::chrono::milliseconds grace) { return signalAndReap(pid, SIGTERM, grace); }

}  // namespace testsupport
