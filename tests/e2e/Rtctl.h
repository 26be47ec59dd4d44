// rtctl run as a user runs it: a process with arguments and standard input, talking to one
// naming service, its own component listening on 127.0.0.1.
#pragma once

#include "ChildProcess.h"

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

    // Runs to the end (bounded) and returns what it printed.
    RtctlResult run(const std::vector<std::string>& args, const std::string& input = "") const;
    // Starts it and leaves it running: for print, which runs while something else sends.
    std::unique_ptr<testsupport::ChildProcess> start(const std::vector<std::string>& args) const;
    // A print of one output port, returned once it says it is connected.
    std::unique_ptr<testsupport::ChildProcess> startPrint(const std::string& port, int count) const;
    // Waits for a started rtctl to end and collects the result.
    static RtctlResult finish(testsupport::ChildProcess& process);

    std::map<std::string, std::string> environment() const;

  private:
    std::string m_address;
  };

  std::string rtctlProgram();
}
