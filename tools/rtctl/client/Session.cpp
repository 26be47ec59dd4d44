#include "client/Session.h"

#include "client/Error.h"

#include <cstdlib>

namespace rtctl
{
  Session::Session(Orb::Mode mode) : m_orb(mode) {}

  namespace
  {
    const char* const kVariable = "RTCTL_NAMESERVER";

    UsageError badVariable()
    {
      return UsageError(std::string(kVariable) + "='" + Session::defaultServer() +
                        "' is not a naming service address (HOST or HOST:PORT)");
    }
  }

  std::string Session::defaultServer()
  {
    const char* server = std::getenv(kVariable);
    return server != nullptr && *server != '\0' ? server : "localhost:2809";
  }

  bool Session::defaultServerFromEnvironment()
  {
    const char* server = std::getenv(kVariable);
    return server != nullptr && *server != '\0';
  }

  RtPath Session::path(const std::string& text) const
  {
    // Only a path without its own naming service uses the variable, so only then is its value
    // at fault.
    if (defaultServerFromEnvironment() && (text.empty() || text[0] != '/'))
    {
      try
      {
        RtPath::normaliseServer(defaultServer());
      }
      catch (const UsageError&)
      {
        throw badVariable();
      }
    }
    return RtPath::parse(text, defaultServer());
  }

  NameService& Session::names(const RtPath& path)
  {
    std::lock_guard<std::mutex> lock(m_servicesMutex);
    std::unique_ptr<NameService>& service = m_services[path.server()];
    if (!service)
    {
      try
      {
        service = std::make_unique<NameService>(m_orb.orb(), path.server());
      }
      catch (const UsageError&)
      {
        if (!path.serverInPath() && defaultServerFromEnvironment())
          throw badVariable();
        throw;
      }
    }
    return *service;
  }
}
