#pragma once

#include <signal.h>
#include <sys/types.h>

#include <string>

namespace testsupport
{

  // A private omniNames for one test (or one test suite): listening on 127.0.0.1 only, on a free
  // port, with its data in a fresh temporary folder that is removed again by the destructor.
  // The constructor returns once the service answers, or throws std::runtime_error with the tail of
  // omniNames' log. Create it from a long-lived thread (see spawnProcess).
  class NameServer
  {
  public:
    NameServer();
    ~NameServer();
    NameServer(const NameServer&) = delete;
    NameServer& operator=(const NameServer&) = delete;

    int port() const { return port_; }
    std::string address() const;  // "127.0.0.1:PORT", the form corba.nameservers takes
    std::string corbaloc() const;  // "corbaloc::127.0.0.1:PORT/NameService"
    pid_t pid() const { return pid_; }  // 0 while stopped
    const std::string& dataDir() const { return dataDir_; }
    std::string logText() const;  // everything omniNames printed, across restarts

    bool running();
    // Graceful stop (SIGTERM, then SIGKILL after a bound); the data stays for restart(true).
    void stop();
    // Simulates a crash: the process gets `sig` and is reaped, without any chance to clean up.
    void kill(int sig = SIGKILL);
    // Simulates a hung service: it keeps its port open but answers nothing until thaw().
    void freeze();
    void thaw();
    // Brings the service back on the same port. keepData=true restores the bindings it had
    // (as after a reboot); keepData=false starts an empty naming service.
    void restart(bool keepData);

  private:
    enum class StartResult
    {
      Ready,
      PortTaken
    };
    StartResult startOnce(bool fresh);
    void removeDataFiles();
    std::string logTail() const;

    std::string dataDir_;
    std::string logPath_;
    int port_ = 0;
    pid_t pid_ = 0;
  };

  // A port on 127.0.0.1 that nothing listens on at the moment of the call, for a server a test
  // starts (a master manager's port, say). Another process may take it before the server binds it.
  int freeLoopbackPort();

}  // namespace testsupport
