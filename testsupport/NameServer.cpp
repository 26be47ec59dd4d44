#include "testsupport/NameServer.h"

#include "testsupport/Paths.h"
#include "testsupport/Spawn.h"
#include "testsupport/Wait.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace testsupport
{
  namespace
  {

    // True once every thread of `pid` is in the stopped state ('T' in its stat line).
    bool allThreadsStopped(pid_t pid)
    {
      const std::filesystem::path threads = "/proc/" + std::to_string(pid) + "/task";
      std::error_code error;
      for (const auto& thread : std::filesystem::directory_iterator(threads, error))
      {
        std::ifstream stat(thread.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // The state follows the command name, which is in brackets and may hold blanks.
        const auto close = line.rfind(')');
        if (close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'T')
        {
          return false;
        }
      }
      return !error;
    }

    using namespace std::chrono_literals;

    constexpr auto kStartTimeout = 10s;
    constexpr auto kStopGrace = 5s;
    constexpr int kPortAttempts = 5;
    // omniNames prints this once its ORB is listening and the root context exists.
    constexpr const char* kReadyMarker = "Root context is";
    constexpr const char* kLogName = "omniNames.log";

    class Socket
    {
    public:
      Socket() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
      {
        if (fd_ < 0)
        {
          throw std::runtime_error(std::string("socket failed: ") + std::strerror(errno));
        }
      }
      ~Socket() { ::close(fd_); }
      Socket(const Socket&) = delete;
      Socket& operator=(const Socket&) = delete;
      int get() const { return fd_; }

    private:
      int fd_;
    };

    sockaddr_in loopback(int port)
    {
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(static_cast<uint16_t>(port));
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      return address;
    }

  }  // namespace

  // The kernel's choice of a free port. NameServer sees when another process took it before
  // omniNames could bind it, and tries another.
  int freeLoopbackPort()
  {
    Socket socket;
    sockaddr_in address = loopback(0);
    if (::bind(socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    {
      throw std::runtime_error(std::string("cannot bind 127.0.0.1:0: ") + std::strerror(errno));
    }
    socklen_t length = sizeof address;
    ::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
  }

  namespace
  {

    bool acceptsConnections(int port)
    {
      Socket socket;
      sockaddr_in address = loopback(port);
      return ::connect(socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }

    bool portWasTaken(const std::string& log)
    {
      return log.find("Failed to bind") != std::string::npos || log.find("Address in use") != std::string::npos;
    }

  }  // namespace

  NameServer::NameServer() : dataDir_(makeTempFolder("trimul-names.")), logPath_(dataDir_ + "/" + kLogName)
  {
    try
    {
      for (int attempt = 0; attempt < kPortAttempts; ++attempt)
      {
        port_ = freeLoopbackPort();
        if (startOnce(true) == StartResult::Ready)
        {
          return;
        }
        removeDataFiles();
      }
      throw std::runtime_error("omniNames: every free port picked on 127.0.0.1 was taken before it "
                               "could bind; last log:\n" +
                               logTail());
    }
    catch (...)
    {
      std::error_code ignored;
      std::filesystem::remove_all(dataDir_, ignored);
      throw;
    }
  }

  NameServer::~NameServer()
  {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(dataDir_, ignored);
  }

  std::string NameServer::address() const { return "127.0.0.1:" + std::to_string(port_); }

  std::string NameServer::corbaloc() const { return "corbaloc::" + address() + "/NameService"; }

  std::string NameServer::logText() const { return readFile(logPath_); }

  NameServer::StartResult NameServer::startOnce(bool fresh)
  {
    const int log = ::open(logPath_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0)
    {
      throw std::runtime_error("cannot open " + logPath_ + ": " + std::strerror(errno));
    }
    // Only what this start prints counts; the log keeps earlier runs for diagnosis.
    const std::streamoff logStart = ::lseek(log, 0, SEEK_END);

    SpawnOptions options;
    options.argv = {"omniNames"};
    if (fresh)
    {
      options.argv.insert(options.argv.end(), {"-start", std::to_string(port_)});
    }
    // -start alone would listen on every interface; the explicit endpoint overrides it.
    options.argv.insert(options.argv.end(), {"-datadir", dataDir_, "-ORBendPoint", "giop:tcp:" + address()});
    options.stdoutFd = log;
    options.stderrFd = log;
    try
    {
      pid_ = spawnProcess(options);
    }
    catch (...)
    {
      ::close(log);
      throw;
    }
    ::close(log);

    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline)
    {
      int status = 0;
      if (tryReap(pid_, status))
      {
        pid_ = 0;
        if (portWasTaken(readFile(logPath_, logStart)))
        {
          return StartResult::PortTaken;
        }
        throw std::runtime_error("omniNames exited during start-up:\n" + logTail());
      }
      // The log line alone could precede the listen on some versions; the connect alone could
      // reach whoever else holds the port. Both together mean our omniNames is serving.
      if (readFile(logPath_, logStart).find(kReadyMarker) != std::string::npos && acceptsConnections(port_))
      {
        return StartResult::Ready;
      }
      std::this_thread::sleep_for(10ms);
    }
    terminateProcess(pid_, kStopGrace);
    pid_ = 0;
    throw std::runtime_error("omniNames did not answer on " + address() + " in time:\n" + logTail());
  }

  bool NameServer::running()
  {
    int status = 0;
    if (pid_ != 0 && tryReap(pid_, status))
    {
      pid_ = 0;
    }
    return pid_ != 0;
  }

  void NameServer::stop()
  {
    if (pid_ != 0)
    {
      terminateProcess(pid_, kStopGrace);
      pid_ = 0;
    }
  }

  void NameServer::kill(int sig)
  {
    if (pid_ != 0)
    {
      signalAndReap(pid_, sig, kStopGrace);
      pid_ = 0;
    }
  }

  void NameServer::freeze()
  {
    if (pid_ != 0)
    {
      ::kill(pid_, SIGSTOP);
      // kill() returns before every thread has stopped, and a thread still running answers a call
      // made meanwhile: a test of a hung service must not start before the service hangs.
      waitUntil([this] { return allThreadsStopped(pid_); }, 5s);
    }
  }

  void NameServer::thaw()
  {
    if (pid_ != 0)
    {
      ::kill(pid_, SIGCONT);
    }
  }

  void NameServer::restart(bool keepData)
  {
    stop();
    if (!keepData)
    {
      removeDataFiles();
    }
    // The port was ours a moment ago, so a refusal is most likely transient; keep trying for a
    // while rather than moving to another port, which tests and components could not follow.
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (startOnce(!keepData) == StartResult::PortTaken)
    {
      if (std::chrono::steady_clock::now() >= deadline)
      {
        throw std::runtime_error("cannot restart omniNames: " + address() + " is held by another process");
      }
      std::this_thread::sleep_for(100ms);
    }
  }

  void NameServer::removeDataFiles()
  {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(dataDir_, ignored))
    {
      if (entry.path().filename() != kLogName)
      {
        std::filesystem::remove_all(entry.path(), ignored);
      }
    }
  }

  std::string NameServer::logTail() const
  {
    constexpr std::size_t kTailLines = 20;
    const std::string text = logText();
    std::size_t start = text.size();
    for (std::size_t lines = 0; start > 0 && lines <= kTailLines;)
    {
      --start;
      if (text[start] == '\n')
      {
        ++lines;
      }
    }
    return text.substr(start);
  }

}  // namespace testsupport
