// The processes a fault test drives: TrimulComp and trimul_peer, each run on this machine's own
// network or inside a network namespace, with what they print parsed into numbers.
#pragma once

#include "testsupport/ChildProcess.h"

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace faults
{
  // Calls to a peer give up after corba_cdr.call_timeout: 1 s, the default, which these tests keep.
  constexpr std::chrono::milliseconds kCallTimeout{1000};
  // A peer that stops answering costs Trimul's execution one call timeout: the first put to it
  // waits that long, the other connections to the same process then fail without calling, and
  // the peer is told of the removals by another thread. Another peer may wait that long for its
  // next sample, plus slack for a loaded machine (well under a second timeout).
  constexpr std::chrono::milliseconds kStallBound = kCallTimeout + std::chrono::milliseconds(600);

  // Where a process runs: an empty namespace means this machine's own network.
  struct Placement
  {
    std::string netns;
    std::string address = "127.0.0.1";

    // The command that runs a program there: `ip netns exec NETNS`, or nothing.
    std::vector<std::string> prefix() const;
  };

  class TrimulCompProcess
  {
  public:
    // `nameServer` is "host:port"; `extra` are further -o settings ("key:value").
    TrimulCompProcess(const std::string& nameServer, const Placement& where = {},
                      const std::vector<std::string>& extra = {});
    testsupport::ChildProcess& process() { return *m_process; }
    // "host.host_cxt/Trimul0.rtc", the name it binds.
    static std::string path();
    // Resident memory of the process in KiB (VmRSS); -1 if it cannot be read.
    long residentKiB() const;
    // SIGINT, then the exit code; -1 if it did not end within the bound or did not exit normally.
    int stop();

  private:
    std::unique_ptr<testsupport::ChildProcess> m_process;
  };

  // The last "status" line of a peer.
  struct PeerStatus
  {
    long sent = 0;
    long failed = 0;
    std::array<long, 3> mine{};
    std::array<long, 3> others{};
    std::array<long, 3> bad{};
    std::array<long, 3> gaps{};
    std::array<long, 3> disorder{};
    // Values of this peer that came back on every one of the three outputs (at least).
    long returned() const;
  };

  class PeerProcess
  {
  public:
    // `options` are trimul_peer's own (see TrimulPeerMain.cpp), besides --naming, --path, --endpoint.
    PeerProcess(const std::string& corbaloc, const std::vector<std::string>& options, const Placement& where = {});
    ~PeerProcess();
    testsupport::ChildProcess& process() { return *m_process; }

    PeerStatus status() const;
    // True once "connected" was printed `times` times (reconnections print it again).
    bool waitConnected(std::chrono::milliseconds timeout, int times = 1);
    // True once at least `count` of this peer's values came back on every output.
    bool waitReturned(long count, std::chrono::milliseconds timeout);
    bool waitText(const std::string& text, std::chrono::milliseconds timeout);
    // True if, for the whole of `during`, each next value of this peer came back within
    // `stallBound` of the one before; `longest` is the longest such wait seen.
    bool keepsFlowing(std::chrono::milliseconds during, std::chrono::milliseconds stallBound,
                      std::chrono::milliseconds& longest);
    void send(const std::string& command);
    // Tells the peer to quit; true if it ended with status 0 (a sanitizer report makes it fail).
    bool quit();
    std::string diagnosis() const;

  private:
    std::unique_ptr<testsupport::ChildProcess> m_process;
  };

  // The program and arguments that run `program args...` at `where`.
  std::vector<std::string> commandAt(const Placement& where, const std::string& program,
                                     const std::vector<std::string>& args);
}
