#include "FaultProcesses.h"

#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <csignal>
#include <fstream>
#include <sstream>

using namespace std::chrono_literals;

namespace faults
{
  std::vector<std::string> Placement::prefix() const
  {
    if (netns.empty())
      return {};
    return {"ip", "netns", "exec", netns};
  }

  std::vector<std::string> commandAt(const Placement& where, const std::string& program,
                                     const std::vector<std::string>& args)
  {
    std::vector<std::string> command = where.prefix();
    command.push_back(program);
    command.insert(command.end(), args.begin(), args.end());
    return command;
  }

  namespace
  {
    // `ip netns exec` replaces itself with the program, so the pid we hold is the program's.
    std::unique_ptr<testsupport::ChildProcess> start(const std::vector<std::string>& command)
    {
      const std::vector<std::string> args(command.begin() + 1, command.end());
      return std::make_unique<testsupport::ChildProcess>(command.front(), args);
    }

    long field(const std::string& line, const std::string& key)
    {
      const std::string needle = " " + key + "=";
      const auto at = line.find(needle);
      return at == std::string::npos ? 0 : std::stol(line.substr(at + needle.size()));
    }
  }

  // ------------------------------------------------------------------ TrimulComp ------------

  TrimulCompProcess::TrimulCompProcess(const std::string& nameServer, const Placement& where,
                                       const std::vector<std::string>& extra)
  {
    std::vector<std::string> args = {"-o", "corba.nameservers:" + nameServer,
                                     "-o", "corba.endpoints:" + where.address + ":",
                                     "-o", "naming.update.interval:1"};
    for (const std::string& setting : extra)
    {
      args.push_back("-o");
      args.push_back(setting);
    }
    m_process = start(commandAt(where, testsupport::findProgram("src/TrimulComp"), args));
  }

  std::string TrimulCompProcess::path() { return testsupport::hostName() + ".host_cxt/Trimul0.rtc"; }

  long TrimulCompProcess::residentKiB() const
  {
    std::ifstream status("/proc/" + std::to_string(m_process->pid()) + "/status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("VmRSS:", 0) == 0)
        return std::stol(line.substr(6));
    return -1;
  }

  int TrimulCompProcess::stop()
  {
    m_process->signal(SIGINT);
    if (!m_process->waitExit(30s) || !m_process->exitedNormally())
      return -1;
    return m_process->exitCode();
  }

  // ------------------------------------------------------------------ peers -----------------

  long PeerStatus::returned() const
  {
    long lowest = mine[0];
    for (long m : mine)
      lowest = std::min(lowest, m);
    return lowest;
  }

  PeerProcess::PeerProcess(const std::string& corbaloc, const std::vector<std::string>& options, const Placement& where)
  {
    std::vector<std::string> args = {"--naming",   corbaloc,     "--path", TrimulCompProcess::path(),
                                     "--endpoint", where.address};
    args.insert(args.end(), options.begin(), options.end());
    m_process = start(commandAt(where, testsupport::findProgram("tests/faults/trimul_peer"), args));
  }

  PeerProcess::~PeerProcess()
  {
    if (m_process->running())
      quit();
  }

  PeerStatus PeerProcess::status() const
  {
    const std::string text = m_process->stdoutText();
    const auto at = text.rfind("status ");
    PeerStatus s;
    if (at == std::string::npos)
      return s;
    const std::string line = " " + text.substr(at + 7, text.find('\n', at) - at - 7);
    s.sent = field(line, "sent");
    s.failed = field(line, "failed");
    for (size_t k = 0; k < 3; ++k)
    {
      const std::string y = "y" + std::to_string(k + 1);
      s.mine[k] = field(line, y);
      s.others[k] = field(line, y + "others");
      s.bad[k] = field(line, y + "bad");
      s.gaps[k] = field(line, y + "gaps");
      s.disorder[k] = field(line, y + "disorder");
    }
    return s;
  }

  bool PeerProcess::waitConnected(std::chrono::milliseconds timeout, int times)
  {
    return testsupport::waitUntil(
      [&] {
        const std::string text = m_process->stdoutText();
        int seen = 0;
        for (auto at = text.find("connected\n"); at != std::string::npos; at = text.find("connected\n", at + 1))
          ++seen;
        return seen >= times;
      },
      timeout, 20ms);
  }

  bool PeerProcess::waitReturned(long count, std::chrono::milliseconds timeout)
  {
    return testsupport::waitUntil([&] { return status().returned() >= count; }, timeout, 20ms);
  }

  bool PeerProcess::waitText(const std::string& text, std::chrono::milliseconds timeout)
  {
    return m_process->waitForStdout(text, timeout);
  }

  bool PeerProcess::keepsFlowing(std::chrono::milliseconds during, std::chrono::milliseconds stallBound,
                                 std::chrono::milliseconds& longest)
  {
    longest = 0ms;
    const auto end = std::chrono::steady_clock::now() + during;
    while (std::chrono::steady_clock::now() < end)
    {
      const long before = status().returned();
      const auto start = std::chrono::steady_clock::now();
      if (!waitReturned(before + 1, stallBound))
        return false;
      longest = std::max(
        longest, std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start));
    }
    return true;
  }

  void PeerProcess::send(const std::string& command) { m_process->writeStdin(command + "\n"); }

  bool PeerProcess::quit()
  {
    send("quit");
    return m_process->waitExit(30s) && m_process->exitedNormally() && m_process->exitCode() == 0;
  }

  std::string PeerProcess::diagnosis() const
  {
    const std::string out = m_process->stdoutText();
    const auto tail = out.size() > 600 ? out.substr(out.size() - 600) : out;
    return "peer stderr: " + m_process->stderrText() + "\npeer stdout (tail): " + tail;
  }
}
