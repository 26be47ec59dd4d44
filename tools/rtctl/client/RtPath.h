// A path in the shell tools' form, split into the naming service it lives in, the names inside
// that service and an optional port:
//
//   /localhost:2809/host.host_cxt/Trimul0.rtc:x1    naming service localhost:2809
//   host.host_cxt/Trimul0.rtc:x1                    the default naming service
//
// A leading '/' always means the first element is the naming service ("host" or "host:port",
// 2809 when the port is left out); without it the whole path lives in the default service.
// The port is what follows the first ':' of the last element (after the naming service part).
#pragma once

#include <string>
#include <vector>

namespace rtctl
{
  class RtPath
  {
  public:
    // Throws UsageError for an empty naming service part or an empty element ("a//b").
    static RtPath parse(const std::string& text, const std::string& defaultServer);

    const std::string& text() const { return m_text; }
    // "host:port", always with a port.
    const std::string& server() const { return m_server; }
    // The naming service as the path's own first element ("/host..."), and whether that
    // element gave a port: "/vm.host_cxt/..." is more often a context typed Unix-style.
    bool serverInPath() const { return m_serverInPath; }
    bool serverPortGiven() const { return m_serverPortGiven; }
    // The first element as typed, when serverInPath().
    const std::string& serverElement() const { return m_serverElement; }
    // Naming elements below the root, each "id.kind" as typed.
    const std::vector<std::string>& names() const { return m_names; }
    const std::string& port() const { return m_port; }
    bool hasPort() const { return !m_port.empty(); }
    // This path, or UsageError when it names no port.
    const RtPath& requirePort() const;
    // This path, or UsageError "'PATH' names a port; <takes>" when it names one: what every
    // verb that acts on components or contexts says ("exit takes a component").
    const RtPath& requireNoPort(const std::string& takes) const;
    bool isRoot() const { return m_names.empty(); }
    // The same path without its port part, as the user would type it.
    std::string componentText() const;
    // This path with one more naming element below it.
    RtPath child(const std::string& name) const;

    // "host" → "host:2809"; "host:port" kept. Throws UsageError when the port is not a number.
    static std::string normaliseServer(const std::string& server);

  private:
    std::string m_text;
    std::string m_server;
    bool m_serverInPath = false;
    bool m_serverPortGiven = false;
    std::string m_serverElement;
    std::vector<std::string> m_names;
    std::string m_port;
  };
}
