// The web view's routing decisions for what the end-to-end tests cannot reach: a server bound
// off loopback (its Host check takes the address it listens on, and its port), and the body
// checks of every route.
#include "web/RequestRouter.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    using Action = RequestRouter::Action;
    const std::string kToken = "00112233445566778899aabbccddeeff";

    RequestRouter router(const std::string& address)
    {
      return RequestRouter({"localhost:2809", address, 8080, {"box"}, kToken});
    }

    RequestRouter::Request request(const std::string& method, const std::string& path, const std::string& host,
                                   const std::string& body = "")
    {
      RequestRouter::Request r{method, path, {}, {{"Host", host}, {"Cookie", "rtctl_token_8080=" + kToken}}, body};
      if (method == "POST")
      {
        r.headers.push_back({"Content-Type", "application/json"});
        r.headers.push_back({"Content-Length", std::to_string(body.size())});
        r.headers.push_back({"Origin", "http://" + host});
      }
      return r;
    }

    TEST(RequestRouter, OffLoopbackOnlyTheBoundAddressAndPortAreAnsweredAndBodiesNameTheirTarget)
    {
      struct Case
      {
        const char* what;
        std::string bound;
        RequestRouter::Request request;
        int status;  // 0: not refused
        Action action;
      };
      const std::string plot = "{\"port\": \"h.host_cxt/T0.rtc:y1\"}";
      const std::vector<Case> cases = {
        {"the bound address and port", "10.0.0.5", request("GET", "/api/system", "10.0.0.5:8080"), 0, Action::kSystem},
        {"the bound address without the port", "10.0.0.5", request("GET", "/", "10.0.0.5"), 403, Action::kRefuse},
        {"another port", "10.0.0.5", request("GET", "/", "10.0.0.5:80"), 403, Action::kRefuse},
        {"another address", "10.0.0.5", request("GET", "/", "10.0.0.6:8080"), 403, Action::kRefuse},
        {"a name that resolves here (rebinding)", "10.0.0.5", request("GET", "/", "evil.example:8080"), 403,
         Action::kRefuse},
        {"listening everywhere: any address", "0.0.0.0", request("GET", "/", "192.0.2.1:8080"), 0, Action::kPage},
        {"listening everywhere: this host's name", "0.0.0.0", request("GET", "/", "BOX:8080"), 0, Action::kPage},
        {"listening everywhere: another name", "0.0.0.0", request("GET", "/", "evil.example:8080"), 403,
         Action::kRefuse},
        {"an IPv6 address", "::", request("GET", "/", "[::1]:8080"), 0, Action::kPage},
        {"a plot names its port", "10.0.0.5", request("POST", "/api/plot", "10.0.0.5:8080", plot), 0, Action::kPlot},
        {"a plot of a component", "10.0.0.5",
         request("POST", "/api/plot", "10.0.0.5:8080", "{\"port\": \"h.host_cxt/T0.rtc\"}"), 400, Action::kRefuse},
        {"a state request with more than its name", "10.0.0.5",
         request("POST", "/api/reset", "10.0.0.5:8080", "{\"component\": \"a.rtc\", \"x\": 1}"), 400, Action::kRefuse},
        {"a state request", "10.0.0.5", request("POST", "/api/reset", "10.0.0.5:8080", "{\"component\": \"a.rtc\"}"), 0,
         Action::kReset},
        {"a body longer than its head said it may be", "10.0.0.5",
         request("POST", "/api/reset", "10.0.0.5:8080", std::string(5000, ' ')), 413, Action::kRefuse},
      };
      for (const Case& c : cases)
      {
        SCOPED_TRACE(c.what);
        const RequestRouter::Route route = router(c.bound).route(c.request);
        EXPECT_EQ(c.status, route.status) << route.line;
        EXPECT_EQ(c.action, route.action);
        EXPECT_EQ(std::string::npos, route.line.find('\n'));
      }
      RequestRouter::Request twoHosts = request("GET", "/", "10.0.0.5:8080");
      twoHosts.headers.push_back({"host", "evil.example"});
      EXPECT_EQ(400, router("10.0.0.5").route(twoHosts).status) << "two Host headers were read as one";
    }
  }
}
