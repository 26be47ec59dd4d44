#include "client/RtPath.h"

#include "client/Error.h"

#include <cctype>

namespace rtctl
{
  namespace
  {
    const char* const kDefaultNamingPort = "2809";

    std::vector<std::string> splitOnSlash(const std::string& text)
    {
      std::vector<std::string> parts;
      std::string::size_type start = 0;
      while (start <= text.size())
      {
        const std::string::size_type end = text.find('/', start);
        if (end == std::string::npos)
        {
          parts.push_back(text.substr(start));
          break;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
      }
      return parts;
    }

    bool allDigits(const std::string& text)
    {
      if (text.empty())
        return false;
      for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
          return false;
      return true;
    }
  }

  std::string RtPath::normaliseServer(const std::string& server)
  {
    if (server.empty())
      throw UsageError("empty naming service address");
    const std::string::size_type colon = server.rfind(':');
    if (colon == std::string::npos)
      return server + ":" + kDefaultNamingPort;
    const std::string host = server.substr(0, colon);
    const std::string port = server.substr(colon + 1);
    if (host.empty() || !allDigits(port) || std::stoul(port) == 0 || std::stoul(port) > 65535)
      throw UsageError("'" + server + "' is not a naming service address (host or host:port)");
    return server;
  }

  RtPath RtPath::parse(const std::string& text, const std::string& defaultServer)
  {
    RtPath path;
    path.m_text = text;
    std::string rest = text;
    if (!rest.empty() && rest[0] == '/')
    {
      const std::string::size_type slash = rest.find('/', 1);
      const std::string server = rest.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
      if (server.empty())
        throw UsageError("'" + text + "' names no naming service after the leading '/'");
      path.m_server = normaliseServer(server);
      path.m_serverInPath = true;
      path.m_serverPortGiven = server.find(':') != std::string::npos;
      path.m_serverElement = server;
      rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
    }
    else
    {
      path.m_server = normaliseServer(defaultServer);
    }

    // "." and a trailing '/' both mean the context itself, as in a shell.
    while (!rest.empty() && rest.back() == '/')
      rest.pop_back();
    if (rest.empty() || rest == ".")
      return path;

    for (const std::string& part : splitOnSlash(rest))
    {
      if (part.empty())
        throw UsageError("'" + text + "' has an empty element");
      if (part == ".")
        continue;
      path.m_names.push_back(part);
    }
    if (path.m_names.empty())
      return path;

    std::string& last = path.m_names.back();
    const std::string::size_type colon = last.find(':');
    if (colon != std::string::npos)
    {
      path.m_port = last.substr(colon + 1);
      last.erase(colon);
      if (last.empty() || path.m_port.empty())
        throw UsageError("'" + text + "' is not of the form COMPONENT:PORT");
    }
    return path;
  }

  const RtPath& RtPath::requirePort() const
  {
    if (!hasPort())
      throw UsageError("'" + m_text + "' names no port (write it as PATH:PORT)");
    return *this;
  }

  const RtPath& RtPath::requireNoPort(const std::string& takes) const
  {
    if (hasPort())
      throw UsageError("'" + m_text + "' names a port; " + takes);
    return *this;
  }

  std::string RtPath::componentText() const
  {
    if (m_port.empty())
      return m_text;
    return m_text.substr(0, m_text.size() - m_port.size() - 1);
  }

  RtPath RtPath::child(const std::string& name) const
  {
    RtPath path(*this);
    path.m_port.clear();
    std::string base = componentText();
    if (!base.empty() && base.back() != '/')
      base += '/';
    path.m_text = base + name;
    path.m_names.push_back(name);
    return path;
  }
}
