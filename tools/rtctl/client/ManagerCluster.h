// A manager as the picture of a system draws it: a cluster around the components it holds, with
// a cluster of its own inside it for each of its slaves. Plain data, filled by ManagerReader from
// the running managers, drawn by SystemGraph and listed in serve's naming tree.
#pragma once

#include <string>
#include <vector>

namespace rtctl
{
  struct ManagerCluster
  {
    std::string name;  // how it was found: "/h:2809/myhost.host_cxt/manager.mgr", "slave 0"
    std::string host;  // the host it says it runs on ("" when it does not say)
    std::string pid;  // its process id ("" when it does not say)
    std::string problem;  // why it could not be read; "" when it was
    // The path URIs ("h:2809/myhost.host_cxt/Trimul0.rtc") of the bound components it holds
    // itself; a master's slaves' components are in their own clusters.
    std::vector<std::string> components;
    // How many of the components it holds are bound under none of the names read.
    size_t unbound = 0;
    std::vector<ManagerCluster> slaves;

    // "vm, pid 4711": what tells two managers on one host apart ("?" for what it does not say).
    std::string whereItRuns() const { return (host.empty() ? "?" : host) + ", pid " + (pid.empty() ? "?" : pid); }
  };
}
