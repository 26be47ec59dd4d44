#include "client/ManagerAddress.h"

#include "client/Error.h"
#include "client/NameText.h"

namespace rtctl
{
  namespace
  {
    // The object key a manager is published under on its INS port (its manager.name).
    const char* const kManagerKey = "manager";

    bool isPortNumber(const std::string& text)
    {
      if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
      const unsigned long port = std::stoul(text);
      return port > 0 && port <= 65535;
    }

    std::string neither(const std::string& text)
    {
      return "'" + text + "' names no manager: give a naming path ending in .mgr " +
             "(e.g. myhost.host_cxt/manager.mgr) or HOST:PORT (e.g. localhost:2810)";
    }
  }

  ManagerAddress::ManagerAddress(std::string text, RtPath path, bool named, std::string corbaloc)
    : m_text(std::move(text)), m_path(std::move(path)), m_named(named), m_corbaloc(std::move(corbaloc))
  {}

  ManagerAddress ManagerAddress::parse(const std::string& text, const std::string& defaultNamingServer)
  {
    if (text.empty())
      throw UsageError("empty MANAGER");
    const std::string::size_type colon = text.rfind(':');
    if (text.find('/') == std::string::npos && colon != std::string::npos &&
        text.find_first_not_of("0123456789", colon + 1) == std::string::npos)
    {
      const std::string host = text.substr(0, colon);
      if (host.empty() || !isPortNumber(text.substr(colon + 1)))
        throw UsageError("'" + text + "' is not a manager address (HOST:PORT, with PORT from 1 to 65535)");
      return ManagerAddress(text, RtPath(), false, "corbaloc::" + text + "/" + kManagerKey);
    }

    const RtPath path = RtPath::parse(text, defaultNamingServer);
    if (path.hasPort() || path.isRoot() || !NameText::isManager(path.names().back()))
      throw UsageError(neither(text));
    return ManagerAddress(text, path, true, std::string());
  }
}
