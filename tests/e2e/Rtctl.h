// rtctl run as a user runs it: a process with arguments and standard input, talking to one
// naming service, its own component listening on 127.0.0.1, or run on another host of a network
// lab (under `ip netns exec NS`) with its component on that host's address.
#pragma once

#include "testsupport/ChildProcess.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace e2e
{
  struct RtctlResult
  {
    int exitCode;  // -1 when it did not end by itself within the bound
    std::string out;
    std::string err;
  };

  class Rtctl
  {
  public:
    explicit Rtctl(std::string nameServerAddress) : m_address(std::move(nameServerAddress)) {}
    // Run under `prefix` (e.g. ip netns exec NS), its component listening on `endpoint`.
    Rtctl(std::string nameServerAddress, std::vector<std::string> prefix, std::string endpoint)
      : m_address(std::move(nameServerAddress)), m_prefix(std::move(prefix)), m_endpoint(std::move(endpoint))
    {}

    // Runs to the end (bounded) and returns what it printed.
    RtctlResult run(const std::vector<std::string>& args, const std::string& input = "") const;
    // Starts it and leaves it running: for print, which runs while something else sends.
    std::unique_ptr<testsupport::ChildProcess> start(const std::vector<std::string>& args) const;
    // A print of one output port, returned once it says it is connected.
    std::unique_ptr<testsupport::ChildProcess> startPrint(const std::string& port, int count) const;
    // Waits for a started rtctl to end and collects the result.
    static RtctlResult finish(testsupport::ChildProcess& process);

    std::map<std::string, std::string> environment() const;
    // A further variable for every run (RTCTL_SSL_KEY_FILE, ...).
    void setEnvironment(const std::string& name, const std::string& value) { m_extraEnv[name] = value; }

  private:
    std::map<std::string, std::string> m_extraEnv;
    std::string m_address;
    std::vector<std::string> m_prefix;
    std::string m_endpoint = "127.0.0.1";
  };

  std::string rtctlProgram();
  // `text` as a regular expression that matches it alone (host names, paths of the build tree).
  std::string regexLiteral(const std::string& text);
}
