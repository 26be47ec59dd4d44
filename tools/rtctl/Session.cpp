#include "Session.h"

#include <cstdlib>

namespace rtctl
{
  Session::Session(Orb::Mode mode) : m_orb(mode) {}

  std::string Session::defaultServer()
  {
    const char* server = std::getenv("RTCTL_NAMESERVER");
    return server != nullptr && *server != '\0' ? server : "localhost:2809";
  }

  RtPath Session::path(const std::string& text) const
  {
    return RtPath::parse(text, defaultServer());
  }

  NameService& Session::names(const RtPath& path)
  {
    std::lock_guard<std::mutex> lock(m_servicesMutex);
    std::unique_ptr<NameService>& service = m_services[path.server()];
    if (!service)
      service.reset(new NameService(m_orb.orb(), path.server()));
    return *service;
  }
}
