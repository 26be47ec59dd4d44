#include "Rtctl.h"

#include "Paths.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    const auto kRunBound = 60s;
  }

  std::string rtctlProgram()
  {
    return testsupport::findProgram("tools/rtctl/rtctl");
  }

  std::map<std::string, std::string> Rtctl::environment() const
  {
    return {{"RTCTL_NAMESERVER", m_address}, {"RTCTL_ENDPOINT", "127.0.0.1"}};
  }

  std::unique_ptr<testsupport::ChildProcess> Rtctl::start(const std::vector<std::string>& args) const
  {
    return std::make_unique<testsupport::ChildProcess>(rtctlProgram(), args, environment());
  }

  RtctlResult Rtctl::finish(testsupport::ChildProcess& process)
  {
    if (!process.waitExit(kRunBound))
    {
      process.signal(SIGKILL);
      process.waitExit(5s);
      return {-1, process.stdoutText(), process.stderrText()};
    }
    return {process.exitCode(), process.stdoutText(), process.stderrText()};
  }

  RtctlResult Rtctl::run(const std::vector<std::string>& args, const std::string& input) const
  {
    auto process = start(args);
    if (!input.empty())
      process->writeStdin(input);
    process->closeStdin();
    return finish(*process);
  }

  std::unique_ptr<testsupport::ChildProcess> Rtctl::startPrint(const std::string& port, int count) const
  {
    auto process = start({"print", port, "-n", std::to_string(count), "--timeout", "30", "--ready"});
    process->closeStdin();
    EXPECT_TRUE(process->waitForStderr("connected to", 20s)) << port << ": " << process->stderrText();
    return process;
  }
}
