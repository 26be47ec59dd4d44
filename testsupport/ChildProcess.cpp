#include "testsupport/ChildProcess.h"

#include "testsupport/Spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace testsupport
{
  namespace
  {

    using namespace std::chrono_literals;

    // The reader thread notices a stop request within this period even if a grandchild keeps the
    // pipes open forever.
    constexpr int kReaderPollMs = 50;
    // After the child is reaped, how long we let the reader collect what is still in the pipes.
    constexpr auto kDrainGrace = 2s;

    struct Pipe
    {
      int read = -1;
      int write = -1;
      Pipe()
      {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
        {
          throw std::runtime_error(std::string("pipe2 failed: ") + std::strerror(errno));
        }
        read = fds[0];
        write = fds[1];
      }
      ~Pipe()
      {
        closeRead();
        closeWrite();
      }
      Pipe(const Pipe&) = delete;
      Pipe& operator=(const Pipe&) = delete;
      int releaseRead() { return std::exchange(read, -1); }
      int releaseWrite() { return std::exchange(write, -1); }
      void closeRead()
      {
        if (read >= 0)
        {
          ::close(releaseRead());
        }
      }
      void closeWrite()
      {
        if (write >= 0)
        {
          ::close(releaseWrite());
        }
      }
    };

  }  // namespace

  ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                             const std::map<std::string, std::string>& extraEnv)
  {
    Pipe in;
    Pipe out;
    Pipe err;
    SpawnOptions options;
    options.argv.push_back(program);
    options.argv.insert(options.argv.end(), args.begin(), args.end());
    options.extraEnv = extraEnv;
    options.stdinFd = in.read;
    options.stdoutFd = out.write;
    options.stderrFd = err.write;
    pid_ = spawnProcess(options);

    // Our copies of the child's ends must go, or the reader would never see end-of-file.
    in.closeRead();
    out.closeWrite();
    err.closeWrite();
    stdinFd_ = in.releaseWrite();
    reader_ = std::thread(&ChildProcess::drainOutput, this, out.releaseRead(), err.releaseRead());
  }

  ChildProcess::~ChildProcess()
  {
    closeStdin();
    {
      std::lock_guard<std::mutex> lock(processMutex_);
      if (!reapLocked())
      {
        status_ = signalAndReap(pid_, SIGKILL, 0ms);
        reaped_ = true;
      }
    }
    waitDrained(kDrainGrace);
    stopReader_ = true;
    reader_.join();
  }

  void ChildProcess::drainOutput(int outFd, int errFd)
  {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* targets[2] = {&out_, &err_};
    char buffer[4096];
    while (!stopReader_ && (fds[0].fd >= 0 || fds[1].fd >= 0))
    {
      const int ready = ::poll(fds, 2, kReaderPollMs);
      if (ready < 0 && errno != EINTR)
      {
        break;
      }
      for (int i = 0; i < 2 && ready > 0; ++i)
      {
        if (fds[i].fd < 0 || fds[i].revents == 0)
        {
          continue;
        }
        const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0)
        {
          std::lock_guard<std::mutex> lock(outputMutex_);
          targets[i]->append(buffer, static_cast<std::size_t>(n));
        }
        else if (n == 0 || errno != EINTR)
        {
          ::close(fds[i].fd);
          fds[i].fd = -1;  // poll ignores negative descriptors
        }
        outputChanged_.notify_all();
      }
    }
    for (auto& entry : fds)
    {
      if (entry.fd >= 0)
      {
        ::close(entry.fd);
      }
    }
    {
      std::lock_guard<std::mutex> lock(outputMutex_);
      drained_ = true;
    }
    outputChanged_.notify_all();
  }

  bool ChildProcess::reapLocked()
  {
    if (!reaped_)
    {
      int status = -1;
      if (tryReap(pid_, status))
      {
        reaped_ = true;
        status_ = status;
      }
    }
    return reaped_;
  }

  void ChildProcess::signal(int sig)
  {
    std::lock_guard<std::mutex> lock(processMutex_);
    if (!reapLocked())
    {
      ::kill(pid_, sig);
    }
  }

  bool ChildProcess::running()
  {
    std::lock_guard<std::mutex> lock(processMutex_);
    return !reapLocked();
  }

  bool ChildProcess::waitExit(std::chrono::milliseconds timeout)
  {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running())
    {
      if (std::chrono::steady_clock::now() >= deadline)
      {
        return false;
      }
      std::this_thread::sleep_for(5ms);
    }
    // Callers read the output right after this returns; it must be complete by then.
    waitDrained(kDrainGrace);
    return true;
  }

  bool ChildProcess::waitDrained(std::chrono::milliseconds timeout)
  {
    std::unique_lock<std::mutex> lock(outputMutex_);
    return outputChanged_.wait_for(lock, timeout, [this] { return drained_; });
  }

  int ChildProcess::exitStatus() const
  {
    std::lock_guard<std::mutex> lock(processMutex_);
    return reaped_ ? status_ : -1;
  }

  bool ChildProcess::exitedNormally() const
  {
    const int status = exitStatus();
    return status != -1 && WIFEXITED(status);
  }

  int ChildProcess::exitCode() const
  {
    const int status = exitStatus();
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  bool ChildProcess::killedBySignal(int sig) const
  {
    const int status = exitStatus();
    return status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == sig;
  }

  std::string ChildProcess::stdoutText() const
  {
    std::lock_guard<std::mutex> lock(outputMutex_);
    return out_;
  }

  std::string ChildProcess::stderrText() const
  {
    std::lock_guard<std::mutex> lock(outputMutex_);
    return err_;
  }

  bool ChildProcess::waitForStdout(const std::string& needle, std::chrono::milliseconds timeout)
  {
    return waitForText(out_, needle, timeout);
  }

  bool ChildProcess::waitForStderr(const std::string& needle, std::chrono::milliseconds timeout)
  {
    return waitForText(err_, needle, timeout);
  }

  bool ChildProcess::waitForText(const std::string& text, const std::string& needle, std::chrono::milliseconds timeout)
  {
    std::unique_lock<std::mutex> lock(outputMutex_);
    outputChanged_.wait_for(lock, timeout, [&] { return drained_ || text.find(needle) != std::string::npos; });
    return text.find(needle) != std::string::npos;
  }

  bool ChildProcess::writeStdin(const std::string& text)
  {
    if (stdinFd_ < 0)
    {
      return false;
    }
    // A child that stopped reading raises SIGPIPE, which would kill the whole test program: block
    // it for this thread and discard the one we caused.
    sigset_t pipeOnly;
    sigset_t previous;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    bool ok = true;
    std::size_t done = 0;
    while (done < text.size())
    {
      const ssize_t n = ::write(stdinFd_, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR)
      {
        continue;
      }
      if (n < 0)
      {
        ok = false;
        if (errno == EPIPE && !sigismember(&previous, SIGPIPE))
        {
          const timespec zero{0, 0};
          ::sigtimedwait(&pipeOnly, nullptr, &zero);
        }
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
  }

  void ChildProcess::closeStdin()
  {
    if (stdinFd_ >= 0)
    {
      ::close(stdinFd_);
      stdinFd_ = -1;
    }
  }

}  // namespace testsupport
