// rtctl serve against clients that do not play fair: requests too large to read, requests from
// other sites, requests without the token a server asks for, and many clients that send slowly.
// Each is spoken to over a real socket, so "refused before it was read" means the server closed
// the connection while the client was still sending.
#include "RawClient.h"
#include "ServeProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace std::chrono_literals;

namespace web
{
  namespace
  {
    enum class Filler
    {
      kNone,
      kBody,  // 64 KiB octets at a time, 8 MiB at most
      kHeaders,  // 10,000 header lines, 100 at a time
    };

    // Sends `head`, then what `filler` says slowly, reading meanwhile; true when the server closed
    // before all of it was sent.
    bool sendUntilClosed(RawClient& client, const std::string& head, Filler filler)
    {
      client.send(head);
      const int chunks = filler == Filler::kBody ? 128 : filler == Filler::kHeaders ? 100 : 0;
      for (int i = 0; i < chunks; ++i)
      {
        std::string chunk;
        if (filler == Filler::kBody)
          chunk.assign(64 * 1024, 'x');
        else
          for (int line = 0; line < 100; ++line)
            chunk += "X-Filler-" + std::to_string(i * 100 + line) + ": x\r\n";
        if (!client.trySend(chunk) || client.readAvailable())
          return true;
        std::this_thread::sleep_for(20ms);
      }
      if (filler == Filler::kHeaders && !client.trySend("\r\n"))
        return true;
      return false;
    }

    class ServeLimits : public ::testing::Test
    {
    protected:
      testsupport::NameServer ns;
    };

    TEST_F(ServeLimits, RequestsOverABoundOrWithoutTheTokenAreRefusedWithOneLineAndNotReadOn)
    {
      ServeProcess plain(ns);
      ServeProcess guarded(ns, {"--token"});
      EXPECT_EQ(32u, guarded.token().size()) << "no 128-bit token in what serve printed";
      const std::string right = guarded.token();
      const std::string wrong = std::string(right.rbegin(), right.rend());
      const std::string cookie = "rtctl_token_" + std::to_string(guarded.port());
      struct Case
      {
        const char* what;
        ServeProcess& server;
        std::string head;
        Filler filler;
        std::string status;  // the answer's status line
        std::string holds;  // what the answer holds: a refusal's whole line
      };
      const std::string host = "Host: 127.0.0.1\r\n";
      const std::string json = "Content-Type: application/json\r\n";
      const std::vector<Case> cases = {
        {"a 400 MiB POST from another site", plain,
         "POST /api/activate HTTP/1.1\r\n" + host +
           "Origin: http://evil.example\r\nContent-Type: text/plain\r\n"
           "Content-Length: 419430400\r\n\r\n",
         Filler::kBody, "HTTP/1.1 413", "\r\n\r\na request body may hold at most 4096 octets, not 419430400\n"},
        {"a 100 MiB JSON state request", plain,
         "POST /api/reset HTTP/1.1\r\n" + host + json + "Content-Length: 104857600\r\n\r\n", Filler::kBody,
         "HTTP/1.1 413", "\r\n\r\na request body may hold at most 4096 octets, not 104857600\n"},
        {"a chunked body", plain, "POST /api/reset HTTP/1.1\r\n" + host + json + "Transfer-Encoding: chunked\r\n\r\n",
         Filler::kBody, "HTTP/1.1 411", "\r\n\r\nsend the body with a Content-Length, of at most 4096 octets\n"},
        {"10,000 header lines", plain, "GET /api/system HTTP/1.1\r\n" + host, Filler::kHeaders, "HTTP/1.1 431",
         "\r\n\r\nthe request's head is too large: send at most 100 header lines and 16384 octets\n"},
        {"a small state request from another site", plain,
         "POST /api/activate HTTP/1.1\r\n" + host + "Origin: http://evil.example\r\n" + json +
           "Content-Length: 15\r\n\r\n{\"component\":1}",
         Filler::kNone, "HTTP/1.1 403",
         "\r\n\r\na page of another site (http://evil.example) may not change anything here\n"},
        {"a plot asked for with a GET", plain, "GET /api/plot?port=a.rtc:y1 HTTP/1.1\r\n" + host + "\r\n",
         Filler::kNone, "HTTP/1.1 405", "\r\n\r\nsend {\"port\": PATH:PORT} with POST to /api/plot\n"},
        {"a state change asked for with a GET", plain, "GET /api/activate HTTP/1.1\r\n" + host + "\r\n", Filler::kNone,
         "HTTP/1.1 405", "Allow: POST\r\n"},
        {"no token", guarded, "GET /api/system HTTP/1.1\r\n" + host + "\r\n", Filler::kNone, "HTTP/1.1 403",
         "\r\n\r\nthis server asks for its token: open the address rtctl serve printed "
         "(http://HOST:PORT/?token=...)\n"},
        {"a wrong token on the page", guarded, "GET /?token=" + wrong + " HTTP/1.1\r\n" + host + "\r\n", Filler::kNone,
         "HTTP/1.1 403", "this server asks for its token"},
        {"a wrong token in the cookie", guarded,
         "GET /api/system HTTP/1.1\r\n" + host + "Cookie: a=b; " + cookie + "=" + wrong + "\r\n\r\n", Filler::kNone,
         "HTTP/1.1 403", "this server asks for its token"},
        {"the token in the address of anything but the page", guarded,
         "GET /api/system?token=" + right + " HTTP/1.1\r\n" + host + "\r\n", Filler::kNone, "HTTP/1.1 403",
         "this server asks for its token"},
        {"the token in the page's address", guarded, "GET /?token=" + right + " HTTP/1.1\r\n" + host + "\r\n",
         Filler::kNone, "HTTP/1.1 200",
         "Set-Cookie: " + cookie + "=" + right + "; Path=/; HttpOnly; SameSite=Strict\r\n"},
        {"the token in its cookie", guarded,
         "GET /api/system HTTP/1.1\r\n" + host + "Cookie: a=b; " + cookie + "=" + right + "\r\n\r\n", Filler::kNone,
         "HTTP/1.1 200", "\"components\""},
      };
      for (const Case& c : cases)
      {
        SCOPED_TRACE(c.what);
        RawClient client(c.server.port());
        const bool closedEarly = sendUntilClosed(client, c.head, c.filler);
        if (c.filler != Filler::kNone)
        {
          EXPECT_TRUE(closedEarly) << "the server read on after refusing";
        }
        client.readUntil(c.holds, 10s);
        EXPECT_EQ(c.status, client.received().substr(0, c.status.size())) << client.received().substr(0, 300);
        EXPECT_NE(std::string::npos, client.received().find(c.holds)) << client.received().substr(0, 600);
      }
      EXPECT_TRUE(plain.process().running());
      EXPECT_EQ(200, plain.client()->Get("/api/system")->status) << "a refusal stopped the server serving";
    }

    TEST_F(ServeLimits, SlowClientsHoldTheirShareOfWorkersUntilTheirRequestsTimeOutAndOthersAreServed)
    {
      ServeProcess serve(ns);
      const size_t kSlow = 100;
      const size_t kShare = 32;
      std::vector<std::unique_ptr<RawClient>> slow;
      for (size_t i = 0; i < kSlow; ++i)
      {
        slow.push_back(std::make_unique<RawClient>(serve.port()));
        slow.back()->send("GET /api/system HTTP/1.1\r\n");
      }
      // Each sends one more header line a second, never the end of its head.
      std::atomic<bool> stop{false};
      std::thread drip([&] {
        for (int second = 0; second < 20 && !stop; ++second)
        {
          for (const auto& client : slow)
            client->trySend("X-Slow: " + std::to_string(second) + "\r\n");
          for (int i = 0; i < 10 && !stop; ++i)
            std::this_thread::sleep_for(100ms);
        }
      });

      RawClient other(serve.port(), "127.0.0.2");
      other.send("GET /api/system HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
      EXPECT_TRUE(other.readUntil("\"components\"", 5s)) << "another client was not served: " << other.received();
      EXPECT_EQ(0u, other.received().find("HTTP/1.1 200"));

      // Read as they come, as a browser would: an answer left unread is lost to the reset that
      // the next octet sent to a closed connection brings.
      const auto answered = [](const std::unique_ptr<RawClient>& c) {
        return c->received().find("\r\n\r\n") != std::string::npos;
      };
      testsupport::waitUntil(
        [&] {
          for (const auto& client : slow)
            if (!answered(client))
              client->readAvailable();
          return std::all_of(slow.begin(), slow.end(), answered);
        },
        25s, 50ms);
      size_t refused = 0;
      size_t timedOut = 0;
      for (const auto& client : slow)
      {
        refused += client->received().compare(0, 12, "HTTP/1.1 503") == 0;
        timedOut += client->received().compare(0, 12, "HTTP/1.1 408") == 0;
      }
      stop = true;
      drip.join();
      // How many are held and how many refused depends on when each got through the listen queue
      // (the held ones' timing out makes room for later ones); none may stay unanswered.
      EXPECT_EQ(kSlow, refused + timedOut) << "a slow connection was held without end";
      EXPECT_GE(timedOut, kShare) << "fewer connections were held than one client's share";
      EXPECT_GT(refused, 0u) << "beyond their share, connections are refused at once";
      const auto refusal = std::find_if(slow.begin(), slow.end(), [](const std::unique_ptr<RawClient>& c) {
        return c->received().find("too many connections from 127.0.0.1 (32 at once)") != std::string::npos;
      });
      EXPECT_TRUE(refusal != slow.end()) << "no refusal names the client's address and its share";
      const httplib::Result again = serve.client()->Get("/api/system");
      ASSERT_TRUE(again);
      EXPECT_EQ(200, again->status) << "the slow clients' address was never given its share back";
    }
  }
}
