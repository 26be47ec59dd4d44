#include "NetworkLab.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace faults
{
  namespace
  {
    constexpr std::array<LabHost, 3> kHosts{{LabHost::Names, LabHost::Component, LabHost::Peer}};

    // Runs a command (no shell), returning its exit status and what it printed.
    int run(const std::vector<std::string>& argv, std::string& output)
    {
      std::string line;
      for (const std::string& a : argv)
        line += (line.empty() ? "" : " ") + a;
      FILE* pipe = ::popen((line + " 2>&1").c_str(), "r");
      if (pipe == nullptr)
        return -1;
      char buffer[512];
      output.clear();
      while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
      const int status = ::pclose(pipe);
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void mustRun(const std::vector<std::string>& argv)
    {
      std::string output;
      if (run(argv, output) != 0)
      {
        std::string line;
        for (const std::string& a : argv)
          line += a + " ";
        throw std::runtime_error("'" + line + "' failed: " + output);
      }
    }

    int index(LabHost host) { return static_cast<int>(host); }

    // Namespaces left by a run of this test that was killed before it could clean up: their
    // names carry the pid of a process that no longer exists.
    void removeStale()
    {
      std::string list;
      if (run({"ip", "netns", "list"}, list) != 0)
        return;
      std::istringstream lines(list);
      std::string name;
      while (lines >> name)
      {
        int pid = 0;
        char role = 0;
        if (std::sscanf(name.c_str(), "trimulf%d%c", &pid, &role) == 2 && pid > 0 && ::kill(pid, 0) != 0 &&
            errno == ESRCH)
        {
          std::string ignored;
          run({"ip", "netns", "del", name}, ignored);
        }
        std::getline(lines, name);  // the rest of the line ("(id: 3)")
      }
    }
  }

  std::string NetworkLab::unavailableReason()
  {
    if (::geteuid() != 0)
      return "network namespaces need root; run the faults tests as root to include this one";
    std::string output;
    if (run({"ip", "-V"}, output) != 0)
      return "the 'ip' command (iproute2) is missing: " + output;
    return "";
  }

  std::unique_ptr<NetworkLab> NetworkLab::make(std::string& whyNot)
  {
    whyNot = unavailableReason();
    if (!whyNot.empty())
      return nullptr;
    try
    {
      return std::make_unique<NetworkLab>();
    }
    catch (const std::exception& e)
    {
      whyNot = std::string("this machine does not allow network namespaces with veth links: ") + e.what();
      return nullptr;
    }
  }

  NetworkLab::NetworkLab() : m_prefix("trimulf" + std::to_string(::getpid()))
  {
    removeStale();
    try
    {
      mustRun({"ip", "netns", "add", switchNetns()});
      m_made[0] = true;
      mustRun({"ip", "-n", switchNetns(), "link", "add", "br0", "type", "bridge"});
      mustRun({"ip", "-n", switchNetns(), "link", "set", "br0", "up"});
      for (LabHost host : kHosts)
      {
        mustRun({"ip", "netns", "add", netns(host)});
        m_made[index(host)] = true;
        // Both ends are created straight inside their namespaces: nothing touches this
        // machine's own network.
        mustRun({"ip", "link", "add", "name", "eth0", "netns", netns(host), "type", "veth", "peer", "name",
                 bridgePort(host), "netns", switchNetns()});
        mustRun({"ip", "-n", switchNetns(), "link", "set", bridgePort(host), "master", "br0"});
        mustRun({"ip", "-n", switchNetns(), "link", "set", bridgePort(host), "up"});
        mustRun({"ip", "-n", netns(host), "addr", "add", address(host) + "/24", "dev", "eth0"});
        mustRun({"ip", "-n", netns(host), "link", "set", "eth0", "up"});
        mustRun({"ip", "-n", netns(host), "link", "set", "lo", "up"});
      }
    }
    catch (...)
    {
      removeAll();
      throw;
    }
  }

  NetworkLab::~NetworkLab() { removeAll(); }

  void NetworkLab::removeAll()
  {
    std::string ignored;
    if (m_made[0])
      run({"ip", "netns", "del", switchNetns()}, ignored);
    for (LabHost host : kHosts)
      if (m_made[index(host)])
        run({"ip", "netns", "del", netns(host)}, ignored);
    for (bool& made : m_made)
      made = false;
  }

  std::string NetworkLab::netns(LabHost host) const
  {
    static const char* const roles[] = {"s", "n", "c", "p"};
    return m_prefix + roles[index(host)];
  }

  std::string NetworkLab::switchNetns() const { return m_prefix + "s"; }

  std::string NetworkLab::bridgePort(LabHost host) const { return "port" + std::to_string(index(host)); }

  std::string NetworkLab::address(LabHost host) const { return "10.200.0." + std::to_string(index(host)); }

  void NetworkLab::cut(LabHost host) { mustRun({"ip", "-n", switchNetns(), "link", "set", bridgePort(host), "down"}); }

  void NetworkLab::restore(LabHost host)
  {
    mustRun({"ip", "-n", switchNetns(), "link", "set", bridgePort(host), "up"});
  }
}
