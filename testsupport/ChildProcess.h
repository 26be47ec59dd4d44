#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport
{

  // A program under test running in its own process, with stdout and stderr captured in memory and
  // stdin fed from the test. The destructor kills (SIGKILL) and reaps a child that is still running,
  // so a failing test never leaves a process behind.
  //
  //   ChildProcess sut(findProgram("src/TrimulComp"), {"-o", "corba.nameservers:" + ns.address()});
  //   ASSERT_TRUE(sut.waitForStdout("ready", 10s));
  //   sut.signal(SIGINT);
  //   ASSERT_TRUE(sut.waitExit(10s));
  //   EXPECT_TRUE(sut.exitedNormally());
  class ChildProcess
  {
  public:
    // Throws std::runtime_error if the program cannot be started (not found, exec failed).
    ChildProcess(const std::string& program, const std::vector<std::string>& args = {},
                 const std::map<std::string, std::string>& extraEnv = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Does nothing once the child has been reaped, so a recycled pid is never signalled.
    void signal(int sig);

    // True once the child has ended and been reaped; its output is then fully drained (bounded
    // wait, in case a grandchild still holds the pipes open).
    bool waitExit(std::chrono::milliseconds timeout);
    bool running();

    // Raw waitpid status; -1 while the child has not been reaped.
    int exitStatus() const;
    bool exitedNormally() const;
    int exitCode() const;  // -1 unless exitedNormally()
    bool killedBySignal(int sig) const;

    std::string stdoutText() const;
    std::string stderrText() const;
    // True as soon as the text appears; false on timeout or when the stream ended without it.
    bool waitForStdout(const std::string& needle, std::chrono::milliseconds timeout);
    bool waitForStderr(const std::string& needle, std::chrono::milliseconds timeout);

    // False if the child no longer reads its stdin (it exited or closed it).
    bool writeStdin(const std::string& text);
    void closeStdin();

  private:
    bool reapLocked();
    void drainOutput(int outFd, int errFd);
    bool waitForText(const std::string& text, const std::string& needle, std::chrono::milliseconds timeout);
    bool waitDrained(std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    int stdinFd_ = -1;

    mutable std::mutex processMutex_;  // guards the reaping state
    bool reaped_ = false;
    int status_ = -1;

    mutable std::mutex outputMutex_;  // guards the captured text and drained_
    std::condition_variable outputChanged_;
    std::string out_;
    std::string err_;
    bool drained_ = false;
    std::atomic<bool> stopReader_{false};
    std::thread reader_;
  };

}  // namespace testsupport
