#include "Rtctl.h"

#include "testsupport/Paths.h"

#include <gtest/gtest.h>

#include <csignal>
#include <regex>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    const auto kRunBound = 60s;
  }

  std::string rtctlProgram() { return testsupport::findProgram("tools/rtctl/rtctl"); }

  std::string regexLiteral(const std::string& text)
  {
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
  }

  std::map<std::string, std::string> Rtctl::environment() const
  {
    std::map<std::string, std::string> env = m_extraEnv;
    env["RTCTL_NAMESERVER"] = m_address;
    env["RTCTL_ENDPOINT"] = m_endpoint;
    return env;
  }

  std::unique_ptr<testsupport::ChildProcess> Rtctl::start(const std::vector<std::string>& args) const
  {
    if (m_prefix.empty())
      return std::make_unique<testsupport::ChildProcess>(rtctlProgram(), args, environment());
    // `ip netns exec` keeps the environment and replaces itself with rtctl.
    std::vector<std::string> command(m_prefix.begin() + 1, m_prefix.end());
    command.push_back(rtctlProgram());
    command.insert(command.end(), args.begin(), args.end());
    return std::make_unique<testsupport::ChildProcess>(m_prefix.front(), command, environment());
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
