#include "RtcdProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <csignal>

using namespace std::chrono_literals;

namespace e2e
{
  std::string freeMasterAddress() { return "127.0.0.1:" + std::to_string(testsupport::freeLoopbackPort()); }

  std::string moduleFolder() { return testsupport::binaryDir() + "/src"; }

  std::vector<std::string> trimulModuleSettings()
  {
    return {"manager.modules.load_path:" + moduleFolder(), "manager.modules.preload:Trimul.so",
            "manager.components.precreate:Trimul"};
  }

  RtcdProcess::RtcdProcess(const RtcdOptions& options)
  {
    std::vector<std::string> command = options.prefix;
    command.push_back(testsupport::findProgram("tools/rtcd/rtcd"));
    if (options.master)
      command.push_back("-d");
    std::vector<std::string> settings = {"corba.nameservers:" + options.nameServer,
                                         "corba.endpoints:" +
                                           (options.endpointHost.empty() ? "" : options.endpointHost + ":"),
                                         "corba.master_manager:" + options.masterAddress};
    settings.insert(settings.end(), options.settings.begin(), options.settings.end());
    for (const std::string& setting : settings)
    {
      command.push_back("-o");
      command.push_back(setting);
    }
    const std::vector<std::string> args(command.begin() + 1, command.end());
    m_process = std::make_unique<testsupport::ChildProcess>(command.front(), args);
  }

  RtcdProcess::~RtcdProcess()
  {
    if (m_process->running())
      stop();
  }

  int RtcdProcess::stop()
  {
    m_process->signal(SIGINT);
    if (!m_process->waitExit(20s) || !m_process->exitedNormally())
      return -1;
    return m_process->exitCode();
  }

  RTM::Manager_ptr managerAt(const std::string& address)
  {
    CORBA::Object_var obj = testsupport::testOrb()->string_to_object(("corbaloc::" + address + "/manager").c_str());
    return RTM::Manager::_unchecked_narrow(obj.in());
  }

  bool answers(RTM::Manager_ptr manager)
  {
    return testsupport::waitUntil(
      [&] {
        try
        {
          return !manager->_non_existent();
        }
        catch (const CORBA::Exception&)
        {
          return false;
        }
      },
      20s, 50ms);
  }
}
