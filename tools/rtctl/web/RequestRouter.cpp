#include "web/RequestRouter.h"

#include "web/AccessToken.h"

#include "client/Error.h"

#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace rtctl
{
  namespace
  {
    const char* const kStateActions[] = {"activate", "deactivate", "reset"};

    bool sameText(const std::string& a, const std::string& b)
    {
      return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
             });
    }

    size_t headerCount(const RequestRouter::Request& request, const char* name)
    {
      return static_cast<size_t>(
        std::count_if(request.headers.begin(), request.headers.end(),
                      [name](const std::pair<std::string, std::string>& h) { return sameText(h.first, name); }));
    }

    const std::string* header(const RequestRouter::Request& request, const char* name)
    {
      for (const auto& h : request.headers)
        if (sameText(h.first, name))
          return &h.second;
      return nullptr;
    }

    // The host part of a Host header or an address: "[::1]:80" -> "::1", "a:80" -> "a".
    std::string hostPart(const std::string& host)
    {
      if (!host.empty() && host[0] == '[')
      {
        const std::string::size_type close = host.find(']');
        return close == std::string::npos ? host : host.substr(1, close - 1);
      }
      const std::string::size_type colon = host.find(':');
      if (colon != std::string::npos && host.find(':', colon + 1) == std::string::npos)
        return host.substr(0, colon);
      return host;
    }

    // The port of a Host header, or "" when it gives none.
    std::string portPart(const std::string& host)
    {
      std::string::size_type colon;
      if (!host.empty() && host[0] == '[')
      {
        const std::string::size_type close = host.find(']');
        if (close == std::string::npos || close + 1 >= host.size() || host[close + 1] != ':')
          return "";
        colon = close + 1;
      }
      else
      {
        colon = host.find(':');
        if (colon == std::string::npos || host.find(':', colon + 1) != std::string::npos)
          return "";
      }
      return host.substr(colon + 1);
    }

    // The address as 16 octets (IPv4 as mapped into IPv6), so that two spellings compare equal;
    // false when it is not an address literal.
    bool addressOctets(const std::string& text, unsigned char (&octets)[16])
    {
      in_addr v4{};
      if (::inet_pton(AF_INET, text.c_str(), &v4) == 1)
      {
        std::memset(octets, 0, 10);
        octets[10] = octets[11] = 0xff;
        std::memcpy(octets + 12, &v4, 4);
        return true;
      }
      return ::inet_pton(AF_INET6, text.c_str(), octets) == 1;
    }

    bool isWildcard(const std::string& address)
    {
      unsigned char octets[16];
      if (address.empty())
        return true;
      if (!addressOctets(hostPart(address), octets))
        return false;
      // 0.0.0.0 maps to ::ffff:0.0.0.0; :: is all zeros.
      for (int i = 0; i < 16; ++i)
        if (octets[i] != 0 && !(i == 10 || i == 11))
          return false;
      return true;
    }

    bool isDecimal(const std::string& text)
    {
      return !text.empty() && text.size() <= 18 &&
             std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    }

    // The body's one expected string field, or why there is none.
    bool stringField(const std::string& body, const char* name, std::string& value)
    {
      const nlohmann::json parsed = nlohmann::json::parse(body, nullptr, false);
      if (!parsed.is_object() || parsed.size() != 1 || !parsed.contains(name) || !parsed[name].is_string())
        return false;
      value = parsed[name].get<std::string>();
      return true;
    }
  }

  bool RequestRouter::Route::changesState() const
  {
    return action == Action::kActivate || action == Action::kDeactivate || action == Action::kReset ||
           action == Action::kPlot;
  }

  RequestRouter::RequestRouter(Settings settings)
    : m_settings(std::move(settings)), m_loopbackOnly(isLoopback(m_settings.bindAddress)),
      m_wildcard(isWildcard(m_settings.bindAddress))
  {}

  std::string RequestRouter::cookieName() const { return "rtctl_token_" + std::to_string(m_settings.port); }

  bool RequestRouter::isLoopback(const std::string& address)
  {
    // Addresses only as literals: a name such as 127.0.0.1.example.com is any site's to point here.
    const std::string host = hostPart(address);
    in_addr v4{};
    in6_addr v6{};
    if (::inet_pton(AF_INET, host.c_str(), &v4) == 1)
      return (ntohl(v4.s_addr) >> 24) == 127;
    if (::inet_pton(AF_INET6, host.c_str(), &v6) == 1)
      return IN6_IS_ADDR_LOOPBACK(&v6);
    return host == "localhost";
  }

  bool RequestRouter::hostAllowed(const std::string& host) const
  {
    if (m_loopbackOnly)
      return host.empty() || isLoopback(host);
    const std::string port = portPart(host);
    if (port != std::to_string(m_settings.port) && !(port.empty() && m_settings.port == 80))
      return false;
    const std::string name = hostPart(host);
    unsigned char asked[16];
    const bool literal = addressOctets(name, asked);
    if (m_wildcard)
      return literal || std::any_of(m_settings.hostNames.begin(), m_settings.hostNames.end(),
                                    [&name](const std::string& known) { return sameText(known, name); });
    unsigned char bound[16];
    return literal && addressOctets(hostPart(m_settings.bindAddress), bound) && std::memcmp(asked, bound, 16) == 0;
  }

  RequestRouter::Route RequestRouter::refuse(int status, const std::string& line) const
  {
    Route route;
    route.status = status;
    // Lines quote what the request said; its control characters must not break the line.
    route.line = line;
    for (char& c : route.line)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
        c = '?';
    return route;
  }

  bool RequestRouter::tokenCarried(const Request& request, bool pageRequest) const
  {
    if (m_settings.token.empty())
      return true;
    // In the address only on the page itself, which the user opens from what serve printed; after
    // that the page's own requests carry the cookie that page set.
    if (pageRequest)
      for (const auto& parameter : request.query)
        if (parameter.first == "token" && AccessToken::equal(parameter.second, m_settings.token))
          return true;
    const std::string* cookies = header(request, "Cookie");
    if (cookies == nullptr)
      return false;
    const std::string wanted = cookieName() + "=";
    std::string::size_type start = 0;
    while (start < cookies->size())
    {
      std::string::size_type end = cookies->find(';', start);
      if (end == std::string::npos)
        end = cookies->size();
      std::string::size_type first = cookies->find_first_not_of(' ', start);
      if (first != std::string::npos && first < end && cookies->compare(first, wanted.size(), wanted) == 0 &&
          AccessToken::equal(cookies->substr(first + wanted.size(), end - first - wanted.size()), m_settings.token))
        return true;
      start = end + 1;
    }
    return false;
  }

  RequestRouter::Route RequestRouter::admit(const Request& request) const
  {
    // Two of one of these would let two readers of one request see two different requests.
    for (const char* name : {"Host", "Origin", "Cookie", "Content-Type", "Content-Length", "Transfer-Encoding"})
      if (headerCount(request, name) > 1)
        return refuse(400, std::string("the request carries more than one ") + name + " header");

    const std::string* host = header(request, "Host");
    if (!hostAllowed(host == nullptr ? "" : *host))
    {
      if (m_loopbackOnly)
        return refuse(403, "this server answers only to a loopback name (localhost, 127.0.0.1)");
      return refuse(403, "this server answers only to the address it listens on, with its port (" +
                           (m_wildcard ? std::string("any address of this host") : m_settings.bindAddress) + ":" +
                           std::to_string(m_settings.port) + ")");
    }

    const bool reading = request.method == "GET" || request.method == "HEAD";
    const bool api = request.path.compare(0, 5, "/api/") == 0;
    if (!tokenCarried(request, reading && !api))
      return refuse(
        403, "this server asks for its token: open the address rtctl serve printed (http://HOST:PORT/?token=...)");

    // The body is never read when it is refused here, so its size is judged from the head.
    const std::string* length = header(request, "Content-Length");
    if (header(request, "Transfer-Encoding") != nullptr)
      return refuse(411,
                    "send the body with a Content-Length, of at most " + std::to_string(kMaxBodyBytes) + " octets");
    if (length != nullptr && !isDecimal(*length))
      return refuse(400, "the Content-Length is not a number: " + length->substr(0, 40));
    if (length != nullptr && std::stoull(*length) > kMaxBodyBytes)
      return refuse(413,
                    "a request body may hold at most " + std::to_string(kMaxBodyBytes) + " octets, not " + *length);
    const bool hasBody = length != nullptr && std::stoull(*length) > 0;

    Route route;
    if (!api)
    {
      route.action = Action::kPage;
    }
    else
    {
      const std::string name = request.path.substr(5);
      if (name == "system")
        route.action = Action::kSystem;
      else if (name == "events")
        route.action = Action::kEvents;
      else if (name == "plot")
        route.action = Action::kPlot;
      else if (name == kStateActions[0])
        route.action = Action::kActivate;
      else if (name == kStateActions[1])
        route.action = Action::kDeactivate;
      else if (name == kStateActions[2])
        route.action = Action::kReset;
      else
        return refuse(404, "no such page: " + request.path);
    }

    const std::string shape = route.action == Action::kPlot ? "{\"port\": PATH:PORT}" : "{\"component\": PATH}";
    if (!route.changesState())
    {
      if (!reading)
      {
        Route refused =
          refuse(405, request.method.substr(0, 20) + " is not answered here: " + request.path + " takes GET");
        refused.allow = "GET, HEAD";
        return refused;
      }
      if (hasBody)
        return refuse(400, "a GET carries no body");
      return route;
    }
    if (request.method != "POST")
    {
      Route refused = refuse(405, "send " + shape + " with POST to " + request.path);
      refused.allow = "POST";
      return refused;
    }
    // A page of another site can make a browser send a POST here, though never read the answer:
    // its Origin gives it away.
    const std::string* origin = header(request, "Origin");
    if (origin != nullptr && (host == nullptr || !sameText(*origin, "http://" + *host)))
      return refuse(403, "a page of another site (" + origin->substr(0, 100) + ") may not change anything here");
    const std::string* type = header(request, "Content-Type");
    if (type == nullptr || type->compare(0, 16, "application/json") != 0)
      return refuse(415, "send " + shape + " as application/json to " + request.path);
    if (length == nullptr)
      return refuse(411,
                    "send the body with a Content-Length, of at most " + std::to_string(kMaxBodyBytes) + " octets");
    return route;
  }

  RequestRouter::Route RequestRouter::route(const Request& request) const
  {
    Route admitted = admit(request);
    if (admitted.action == Action::kRefuse || !admitted.changesState())
      return admitted;
    return readBody(request, admitted);
  }

  RequestRouter::Route RequestRouter::readBody(const Request& request, Route route) const
  {
    if (request.body.size() > kMaxBodyBytes)
      return refuse(413, "a request body may hold at most " + std::to_string(kMaxBodyBytes) + " octets");
    const bool plot = route.action == Action::kPlot;
    const char* field = plot ? "port" : "component";
    if (!stringField(request.body, field, route.targetText))
      return refuse(400, std::string("the body must be ") + (plot ? "{\"port\": PATH:PORT}" : "{\"component\": PATH}") +
                           ", not: " + request.body.substr(0, 200));
    if (plot && route.targetText.empty())
      return refuse(400, "name the port to plot: {\"port\": PATH:PORT}");
    try
    {
      route.target = RtPath::parse(route.targetText, m_settings.defaultServer);
      if (plot)
        route.target.requirePort();
    }
    catch (const Error& e)
    {
      return refuse(400, e.what());
    }
    return route;
  }
}
