// What a request to the web view asks for, decided from the request alone (no socket, no
// system), so that the same decision can be checked without a server. Two stages: admit() looks
// at the request line and the head before any body octet is read (a refusal there means the body
// is never read), route() at the whole request, body included.
//
//   GET  /  /app.js  /app.css       the page                        (kPage)
//   GET  /api/system                the current snapshot            (kSystem)
//   GET  /api/events                the snapshot stream             (kEvents)
//   POST /api/activate|deactivate|reset   {"component": PATH}       (kActivate ...)
//   POST /api/plot                  {"port": PATH:PORT}: a stream of the port's samples, for
//                                   which rtctl connects a port of its own (kPlot)
//
// Nothing that changes anything (a state, a connection) answers a GET: a GET is what any page of
// any site makes a browser send. The requests that change something must come from this
// server's own page: JSON (which a form cannot send, and a script of another site cannot either
// without a permission this server never gives) and no Origin but this server's.
#pragma once

#include "client/RtPath.h"

#include <string>
#include <utility>
#include <vector>

namespace rtctl
{
  class RequestRouter
  {
  public:
    // A request as far as the decision needs it; the path and the query already decoded.
    struct Request
    {
      std::string method;
      std::string path;
      std::vector<std::pair<std::string, std::string>> query;
      std::vector<std::pair<std::string, std::string>> headers;
      std::string body;
    };

    enum class Action
    {
      kRefuse,
      kPage,
      kSystem,
      kEvents,
      kActivate,
      kDeactivate,
      kReset,
      kPlot,
    };

    struct Route
    {
      Action action = Action::kRefuse;
      int status = 0;  // of a refusal
      std::string line;  // a refusal's one line
      std::string allow;  // the methods a 405 names
      RtPath target;  // the component of a state request, the port of a plot
      std::string targetText;  // the target as the request wrote it
      bool changesState() const;
    };

    struct Settings
    {
      std::string defaultServer;  // for paths without a naming service of their own
      std::string bindAddress;  // what the server listens on
      int port = 0;  // and its port
      std::vector<std::string> hostNames;  // names of this host a wildcard bind answers to
      std::string token;  // every request must carry it, unless empty
    };

    // A request's head may not say its body is longer than this: the API takes a few names.
    static const size_t kMaxBodyBytes = 4096;

    explicit RequestRouter(Settings settings);

    Route admit(const Request& request) const;
    Route route(const Request& request) const;

    const Settings& settings() const { return m_settings; }
    // The cookie that carries the token after the first page: one per port, since cookies are
    // shared by every port of a host.
    std::string cookieName() const;
    // Whether a listening address keeps the server to this host: 127.0.0.0/8, ::1, localhost.
    static bool isLoopback(const std::string& address);
    // Whether a Host header names this server: served on loopback, only names of the loopback
    // interface, so that a web site cannot reach it by a name of its own that resolves to
    // 127.0.0.1 (DNS rebinding); served elsewhere, only the address it listens on, with its port.
    bool hostAllowed(const std::string& host) const;

  private:
    Route refuse(int status, const std::string& line) const;
    bool tokenCarried(const Request& request, bool pageRequest) const;
    Route readBody(const Request& request, Route route) const;

    Settings m_settings;
    bool m_loopbackOnly;
    bool m_wildcard;
  };
}
