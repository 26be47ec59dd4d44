// One process running Trimul (TrimulComp, or rtcd with Trimul.so) bound in a test's naming
// service, stopped with SIGINT at the end.
#pragma once

#include "testsupport/ChildProcess.h"
#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"

#include <memory>
#include <string>
#include <vector>

namespace e2e
{
  // What runs Trimul: its launcher, or the manager daemon loading Trimul.so and creating it.
  enum class TrimulHost
  {
    TrimulComp,
    Rtcd
  };

  class TrimulProcess
  {
  public:
    // `instance` other than "Trimul0" binds the component under that name instead, through
    // naming.formats; `options` are more manager options ("-o", "key:value", ...). Returns once
    // the name is bound (a test failure is recorded otherwise).
    TrimulProcess(testsupport::NameServer& ns, const std::string& instance = "Trimul0",
                  const std::vector<std::string>& options = {}, TrimulHost host = TrimulHost::TrimulComp);
    ~TrimulProcess();

    // "vm.host_cxt/Trimul0.rtc", the path relative to the naming service's root.
    const std::string& path() const { return m_path; }
    std::string port(const std::string& name) const { return m_path + ":" + name; }
    testsupport::ChildProcess& process() { return *m_process; }
    bool bound();
    // SIGINT, then the exit status (-1 if it did not end within the bound).
    int stop();

  private:
    std::string m_path;
    testsupport::NamingClient m_naming;
    std::unique_ptr<testsupport::ChildProcess> m_process;
  };
}
