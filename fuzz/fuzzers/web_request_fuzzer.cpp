// Fuzz target: a request to the web view (rtctl serve) as its router decides it, without a
// socket: the request line, the head and the JSON body, under each way serve can listen.
//
// Input: the first octet picks the server (bit 0: a token is asked for; bits 1-2: listening on
// 127.0.0.1, 10.0.0.5 or 0.0.0.0). The rest is "METHOD PATH[?QUERY]\n", header lines
// "Name: value\n" up to an empty line, then the body.
#include "Require.h"

#include "web/RequestRouter.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace
{

  using rtctl::RequestRouter;

  const char* const kToken = "00112233445566778899aabbccddeeff";

  std::string nextLine(const std::string& input, std::size_t& at)
  {
    const std::size_t end = input.find('\n', at);
    const std::string line = input.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? input.size() : end + 1;
    return line;
  }

  RequestRouter::Request parse(const std::string& input)
  {
    RequestRouter::Request request;
    std::size_t at = 0;
    const std::string first = nextLine(input, at);
    const std::size_t space = first.find(' ');
    request.method = first.substr(0, space);
    const std::string target = space == std::string::npos ? "" : first.substr(space + 1);
    const std::size_t question = target.find('?');
    request.path = target.substr(0, question);
    if (question != std::string::npos)
    {
      std::size_t start = question + 1;
      while (start <= target.size())
      {
        std::size_t end = target.find('&', start);
        if (end == std::string::npos)
          end = target.size();
        const std::string pair = target.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        request.query.emplace_back(pair.substr(0, equals), equals == std::string::npos ? "" : pair.substr(equals + 1));
        start = end + 1;
      }
    }
    for (std::string line = nextLine(input, at); !line.empty() && at <= input.size(); line = nextLine(input, at))
    {
      const std::size_t colon = line.find(':');
      std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
      value.erase(0, value.find_first_not_of(' '));
      request.headers.emplace_back(line.substr(0, colon), value);
      if (at >= input.size())
        break;
    }
    request.body = input.substr(at);
    return request;
  }

  // Whether the request carries the token anywhere the router may take it from.
  bool carriesToken(const RequestRouter::Request& request, const std::string& cookie)
  {
    for (const auto& parameter : request.query)
      if (parameter.first == "token" && parameter.second == kToken)
        return true;
    for (const auto& header : request.headers)
      if (header.second.find(cookie + "=" + kToken) != std::string::npos)
        return true;
    return false;
  }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return 0;
  const unsigned choice = data[0];
  const char* const addresses[] = {"127.0.0.1", "10.0.0.5", "0.0.0.0", "::1"};
  RequestRouter::Settings settings;
  settings.defaultServer = "localhost:2809";
  settings.bindAddress = addresses[(choice >> 1) & 3];
  settings.port = 8080;
  settings.hostNames = {"box"};
  settings.token = (choice & 1) || !RequestRouter::isLoopback(settings.bindAddress) ? kToken : "";
  const RequestRouter sut(settings);

  const RequestRouter::Request request = parse(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  const RequestRouter::Route admitted = sut.admit(request);
  const RequestRouter::Route routed = sut.route(request);

  using Action = RequestRouter::Action;
  fuzz::require(admitted.action != Action::kRefuse ||
                  (routed.action == Action::kRefuse && routed.status == admitted.status),
                "a request refused before its body is read is refused after");
  for (const RequestRouter::Route* route : {&admitted, &routed})
  {
    if (route->action == Action::kRefuse)
    {
      fuzz::require(route->status >= 400 && route->status < 600, "a refusal has an error status");
      fuzz::require(!route->line.empty() && route->line.find_first_of("\r\n") == std::string::npos,
                    "a refusal says why in one line");
      continue;
    }
    fuzz::require(!route->changesState() || request.method == "POST", "nothing changes state on a GET");
    fuzz::require(settings.token.empty() || carriesToken(request, sut.cookieName()),
                  "nothing is served without the token when one is asked for");
  }
  if (routed.action != Action::kRefuse && routed.changesState())
  {
    fuzz::require(request.body.size() <= RequestRouter::kMaxBodyBytes, "a body over the limit is refused");
    fuzz::require(!routed.targetText.empty() || routed.action != Action::kPlot, "a plot names its port");
    fuzz::require(routed.action != Action::kPlot || routed.target.hasPort(), "a plot names its port");
  }
  return 0;
}
