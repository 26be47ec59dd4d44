// Where a manager is, as a user names it:
//
//   /localhost:2809/myhost.host_cxt/manager.mgr   a naming path ending in ".mgr", as components
//   myhost.host_cxt/manager.mgr                    are named (relative: the default service)
//   localhost:2810                                 HOST:PORT, where a master manager listens:
//                                                  corbaloc::localhost:2810/manager
//
// Text with no '/' that ends in ":digits" is HOST:PORT; anything else is a naming path.
#pragma once

#include "client/RtPath.h"

#include <string>

namespace rtctl
{
  class ManagerAddress
  {
  public:
    // Throws UsageError for anything that is neither form.
    static ManagerAddress parse(const std::string& text, const std::string& defaultNamingServer);

    const std::string& text() const { return m_text; }
    bool isNamed() const { return m_named; }
    // The naming path (when isNamed()).
    const RtPath& path() const { return m_path; }
    // "corbaloc::HOST:PORT/manager" (when not isNamed()).
    const std::string& corbaloc() const { return m_corbaloc; }
    // The same over TLS: "corbaloc:ssliop:HOST:PORT/manager".
    std::string tlsCorbaloc() const { return "corbaloc:ssliop:" + m_corbaloc.substr(m_corbaloc.find("::") + 2); }

  private:
    ManagerAddress(std::string text, RtPath path, bool named, std::string corbaloc);

    std::string m_text;
    RtPath m_path;
    bool m_named;
    std::string m_corbaloc;
  };
}
