// What every subcommand shares: the process's ORB, the default naming service and one
// NameService per address a command touches.
#pragma once

#include "client/NameService.h"
#include "client/Orb.h"
#include "client/RtPath.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace rtctl
{
  class Session
  {
  public:
    explicit Session(Orb::Mode mode);

    // RTCTL_NAMESERVER, or localhost:2809.
    static std::string defaultServer();
    // Whether defaultServer() comes from RTCTL_NAMESERVER, which a message should then name.
    static bool defaultServerFromEnvironment();
    RtPath path(const std::string& text) const;
    // Safe to call from several threads (rtctl serve answers requests on many).
    NameService& names(const RtPath& path);
    Orb& orb() { return m_orb; }

  private:
    Orb m_orb;
    std::mutex m_servicesMutex;
    std::map<std::string, std::unique_ptr<NameService>> m_services;
  };
}
