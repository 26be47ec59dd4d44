// `rtctl serve` run as a user runs it, on a free port of 127.0.0.1, and an HTTP client for it.
#pragma once

#include "testsupport/ChildProcess.h"
#include "testsupport/NameServer.h"

#include <httplib.h>

#include <memory>
#include <string>
#include <vector>

namespace web
{
  class ServeProcess
  {
  public:
    // Returns once the server has said where it listens (a test failure is recorded otherwise).
    ServeProcess(testsupport::NameServer& ns, const std::vector<std::string>& args = {});
    ~ServeProcess();

    int port() const { return m_port; }
    // The token the server asks for ("" when it asks for none), as it printed it.
    const std::string& token() const { return m_token; }
    // With the token, when there is one, on the page itself.
    std::string url(const std::string& path = "/") const;
    // A client of this server; its calls are bounded.
    std::unique_ptr<httplib::Client> client() const;
    testsupport::ChildProcess& process() { return *m_process; }

  private:
    std::unique_ptr<testsupport::ChildProcess> m_process;
    int m_port = 0;
    std::string m_token;
  };

  // The address users type for a component of the test's naming service.
  std::string keyOf(testsupport::NameServer& ns, const std::string& path);
}
