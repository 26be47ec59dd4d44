// rtcd, the manager daemon, as a process on loopback, and the raw CORBA view of a manager that a
// shell tool has. Its master address (corba.master_manager) is a free port of the test's own,
// never the fixed 2810 that other tests and users share.
#pragma once

#include "testsupport/ChildProcess.h"

#include <rtm/idl/Manager.hh>

#include <memory>
#include <string>
#include <vector>

namespace e2e
{
  // "127.0.0.1:<a free port>", for corba.master_manager.
  std::string freeMasterAddress();
  // Where the build puts Trimul.so.
  std::string moduleFolder();
  // The -o settings that make rtcd run Trimul from its module as TrimulComp does.
  std::vector<std::string> trimulModuleSettings();

  struct RtcdOptions
  {
    std::string nameServer;  // corba.nameservers
    std::string masterAddress;  // corba.master_manager
    bool master = false;  // -d
    std::string endpointHost = "127.0.0.1";  // corba.endpoints, on a free port; "" for none
    std::vector<std::string> settings;  // further -o values, "key:value"
    std::vector<std::string> prefix;  // a command to run it under (e.g. ip netns exec NS)
  };

  class RtcdProcess
  {
  public:
    // Returns at once; a master is reachable once ready() says so.
    explicit RtcdProcess(const RtcdOptions& options);
    ~RtcdProcess();

    testsupport::ChildProcess& process() { return *m_process; }
    // SIGINT, then the exit code; -1 if it did not end within the bound or not normally.
    int stop();

  private:
    std::unique_ptr<testsupport::ChildProcess> m_process;
  };

  // corbaloc::<address>/manager, not called yet.
  RTM::Manager_ptr managerAt(const std::string& address);
  // True once the manager at `address` answers, within the bound.
  bool answers(RTM::Manager_ptr manager);
}
