#include "TrimulProcess.h"

#include "testsupport/Paths.h"
#include "RtcdProcess.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace e2e
{
  TrimulProcess::TrimulProcess(testsupport::NameServer& ns, const std::string& instance,
                               const std::vector<std::string>& options, TrimulHost host)
    : m_path(testsupport::hostName() + ".host_cxt/" + instance + ".rtc"),
      m_naming(testsupport::testOrb(), ns.corbaloc())
  {
    std::vector<std::string> args = {"-o", "corba.nameservers:" + ns.address(), "-o", "corba.endpoints:127.0.0.1:",
                                     "-o", "exec_cxt.periodic.rate:1000"};
    if (instance != "Trimul0")
    {
      args.push_back("-o");
      args.push_back("naming.formats:%h.host_cxt/" + instance + ".rtc");
    }
    std::string program = "src/TrimulComp";
    if (host == TrimulHost::Rtcd)
    {
      program = "tools/rtcd/rtcd";
      // A master address of its own, where no master is: it runs alone, as TrimulComp does.
      std::vector<std::string> settings = trimulModuleSettings();
      settings.push_back("corba.master_manager:" + freeMasterAddress());
      for (const std::string& setting : settings)
      {
        args.push_back("-o");
        args.push_back(setting);
      }
    }
    args.insert(args.end(), options.begin(), options.end());
    m_process = std::make_unique<testsupport::ChildProcess>(testsupport::findProgram(program), args);
    EXPECT_TRUE(testsupport::waitUntil([this] { return m_naming.isBound(m_path); }, 20s))
      << m_path << " not bound; " << program << " said: " << m_process->stderrText();
  }

  TrimulProcess::~TrimulProcess()
  {
    if (m_process->running())
      stop();
  }

  bool TrimulProcess::bound() { return m_naming.isBound(m_path); }

  int TrimulProcess::stop()
  {
    m_process->signal(SIGINT);
    if (!m_process->waitExit(20s))
      return -1;
    return m_process->exitCode();
  }
}
