// rtctl serve's HTTP side against a running TrimulComp: the snapshot and its stream, the state
// buttons' requests, the plot streams (connected while read, disconnected once dropped), and
// its answers to bad input: unknown components and ports, a taken port, a browser that drops
// its stream, a component whose process died.
#include "RawClient.h"
#include "ServeProcess.h"

#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <rtm/idl/RTC.hh>

#include <csignal>
#include <fstream>

using namespace std::chrono_literals;
using nlohmann::json;

namespace web
{
  namespace
  {
    class Serve : public ::testing::Test
    {
    protected:
      static void SetUpTestSuite()
      {
        ns = new testsupport::NameServer;
        trimul = new e2e::TrimulProcess(*ns);
        serve = new ServeProcess(*ns);
      }
      static void TearDownTestSuite()
      {
        delete serve;
        delete trimul;
        delete ns;
      }

      json system()
      {
        httplib::Result r = serve->client()->Get("/api/system");
        EXPECT_TRUE(r && r->status == 200);
        return r ? json::parse(r->body, nullptr, false) : json();
      }
      json component(const std::string& path)
      {
        const json all = system();
        for (const json& c : all["components"])
          if (c["key"] == keyOf(*ns, path))
            return c;
        return json();
      }
      httplib::Result post(const std::string& action, const std::string& component)
      {
        return serve->client()->Post("/api/" + action, json{{"component", component}}.dump(), "application/json");
      }
      // The number of connections the view shows on one port.
      size_t connections(const std::string& port)
      {
        const json trimul0 = component(trimul->path());
        for (const json& p : trimul0["ports"])
          if (p["name"] == port)
            return p["connections"].size();
        return 99;
      }
      static std::string plotBody(const std::string& port) { return json{{"port", port}}.dump(); }
      std::string plotRequest(const std::string& port)
      {
        const std::string body = plotBody(trimul->port(port));
        return "POST /api/plot HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n\r\n" + body;
      }

      static testsupport::NameServer* ns;
      static e2e::TrimulProcess* trimul;
      static ServeProcess* serve;
      e2e::Rtctl rtctl{ns->address()};
    };

    testsupport::NameServer* Serve::ns = nullptr;
    e2e::TrimulProcess* Serve::trimul = nullptr;
    ServeProcess* Serve::serve = nullptr;

    TEST_F(Serve, ThePageAndTheSnapshotShowTrimulItsPortsAndItsGraph)
    {
      httplib::Result page = serve->client()->Get("/");
      ASSERT_TRUE(page);
      EXPECT_EQ(200, page->status);
      EXPECT_NE(std::string::npos, page->body.find("<script src=\"/app.js\">"));
      for (const char* asset : {"/app.js", "/app.css"})
      {
        httplib::Result r = serve->client()->Get(asset);
        ASSERT_TRUE(r);
        EXPECT_EQ(200, r->status) << asset;
      }

      const json trimul0 = component(trimul->path());
      ASSERT_TRUE(trimul0.is_object()) << system().dump();
      EXPECT_EQ("Inactive", trimul0["state"]);
      EXPECT_EQ("", trimul0["problem"]);
      std::vector<std::string> ports;
      for (const json& port : trimul0["ports"])
        ports.push_back(port["name"].get<std::string>() + "(" + port["direction"].get<std::string>() + ") " +
                        port["dataType"].get<std::string>());
      EXPECT_EQ((std::vector<std::string>{"x1(in) IDL:RTC/TimedLong:1.0", "y1(out) IDL:RTC/TimedLong:1.0",
                                          "y2(out) IDL:RTC/TimedLong:1.0", "y3(out) IDL:RTC/TimedLong:1.0"}),
                ports);
      // The naming tree holds the host's context with the component in it.
      const json root = system()["roots"][0];
      EXPECT_EQ("/" + ns->address(), root["key"]);
      EXPECT_EQ(testsupport::hostName() + ".host_cxt", root["children"][0]["name"]);
      EXPECT_EQ("Trimul0.rtc", root["children"][0]["children"][0]["name"]);
      EXPECT_EQ("component", root["children"][0]["children"][0]["kind"]);
      const json graph = system()["graph"];
      EXPECT_EQ("", graph["problem"]);
      EXPECT_EQ(0u, graph["svg"].get<std::string>().find("<svg")) << graph.dump();
      EXPECT_NE(std::string::npos, graph["svg"].get<std::string>().find("Trimul0"));
    }

    TEST_F(Serve, StateRequestsChangeTheStateAndTheStreamTellsEveryChange)
    {
      RawClient events(serve->port());
      events.send("GET /api/events HTTP/1.1\r\nHost: localhost\r\n\r\n");
      ASSERT_TRUE(events.readUntil("\"state\":\"Inactive\"", 10s)) << events.received();

      httplib::Result r = post("activate", trimul->path());
      ASSERT_TRUE(r);
      EXPECT_EQ(200, r->status) << r->body;
      EXPECT_EQ("Active", json::parse(r->body)["state"]);
      EXPECT_TRUE(events.readUntil("\"state\":\"Active\"", 5s)) << events.received();

      r = post("activate", trimul->path());
      ASSERT_TRUE(r);
      EXPECT_EQ(409, r->status);
      EXPECT_EQ("refused for " + trimul->path() + " in execution context 0: PRECONDITION_NOT_MET (it is Active)\n",
                r->body);

      // The absolute form names the same component.
      r = post("deactivate", keyOf(*ns, trimul->path()));
      ASSERT_TRUE(r);
      EXPECT_EQ(200, r->status) << r->body;
      EXPECT_TRUE(events.readUntil("\"state\":\"Inactive\"", 5s));
      EXPECT_EQ("Inactive", component(trimul->path())["state"]);
    }

    TEST_F(Serve, RequestsForWhatIsNotThereAreAnsweredWithOneLine)
    {
      const std::string other = testsupport::hostName() + ".host_cxt/Nothing0.rtc";
      const std::string json = "application/json";
      struct Case
      {
        const char* what;
        std::string target;  // "POST /api/..." with a body, or a path to GET
        std::string body;
        std::string contentType;
        int status;
        std::string answer;
      };
      const std::vector<Case> cases = {
        {"activate an unknown component", "/api/activate", "{\"component\":\"" + other + "\"}", json, 404,
         "no component '" + other + "' in this view\n"},
        {"reset a port", "/api/reset", "{\"component\":\"" + trimul->port("x1") + "\"}", json, 404,
         "no component '" + trimul->port("x1") + "' in this view\n"},
        {"a state request that is not JSON", "/api/activate", "component=x", "application/x-www-form-urlencoded", 415,
         "send {\"component\": PATH} as application/json to /api/activate\n"},
        {"a JSON body without a component", "/api/deactivate", "[1]", json, 400,
         "the body must be {\"component\": PATH}, not: [1]\n"},
        {"plot an unknown component", "/api/plot", plotBody(other + ":y1"), json, 404,
         "no component '" + other + "' in this view\n"},
        {"plot an unknown port", "/api/plot", plotBody(trimul->port("y9")), json, 404,
         "no port 'y9' on " + trimul->path() + " (its ports: x1, y1, y2, y3)\n"},
        {"plot an input port", "/api/plot", plotBody(trimul->port("x1")), json, 400,
         trimul->port("x1") + " is not an output port; only what an output port sends can be plotted\n"},
        {"plot without a port", "/api/plot", plotBody(""), json, 400, "name the port to plot: {\"port\": PATH:PORT}\n"},
        {"an unknown page", "/nothing.html", "", "", 404, "no such page: /nothing.html\n"},
      };
      for (const Case& c : cases)
      {
        SCOPED_TRACE(c.what);
        const httplib::Result r = c.contentType.empty() ? serve->client()->Get(c.target)
                                                        : serve->client()->Post(c.target, c.body, c.contentType);
        ASSERT_TRUE(r);
        EXPECT_EQ(c.status, r->status);
        EXPECT_EQ(c.answer, r->body);
      }
      const httplib::Result foreign = serve->client()->Get("/api/system", {{"Host", "evil.example:80"}});
      ASSERT_TRUE(foreign);
      EXPECT_EQ(403, foreign->status) << "a page of another site reached the server through its own name";
      EXPECT_EQ("this server answers only to a loopback name (localhost, 127.0.0.1)\n", foreign->body);
      EXPECT_EQ("Inactive", component(trimul->path())["state"]) << "a refused request changed the component";
    }

    TEST_F(Serve, APlotStreamCarriesTheSamplesAndItsConnectionGoesWithTheReader)
    {
      ASSERT_EQ(0, rtctl.run({"activate", trimul->path()}).exitCode);
      {
        RawClient plot(serve->port());
        plot.send(plotRequest("y2"));
        ASSERT_TRUE(plot.readUntil("retry:", 10s)) << plot.received();
        EXPECT_EQ(1u, connections("y2"));
        const e2e::RtctlResult r = rtctl.run({"inject", trimul->port("x1"), "7", "-3"});
        ASSERT_EQ(0, r.exitCode) << r.err;
        EXPECT_TRUE(plot.readUntil("\"-30\"]", 10s)) << plot.received();
        EXPECT_NE(std::string::npos, plot.received().find("\"70\"]"));
        // The browser vanishes mid-stream.
        plot.drop();
      }
      EXPECT_TRUE(testsupport::waitUntil([&] { return connections("y2") == 0; }, 10s))
        << "the plot's connection outlived its reader";
      EXPECT_EQ(0, rtctl.run({"deactivate", trimul->path()}).exitCode);
    }

    TEST_F(Serve, BrowsersThatDropTheirStreamsLeaveTheServerServing)
    {
      for (int i = 0; i < 5; ++i)
      {
        RawClient events(serve->port());
        events.send("GET /api/events HTTP/1.1\r\nHost: localhost\r\n\r\n");
        ASSERT_TRUE(events.readUntil("event: system", 10s));
        RawClient plot(serve->port());
        plot.send(plotRequest("y3"));
        ASSERT_TRUE(plot.readUntil("retry:", 10s));
        // Half a request, then gone.
        RawClient half(serve->port());
        half.send("GET /api/sys");
      }
      EXPECT_TRUE(component(trimul->path()).is_object());
      EXPECT_TRUE(testsupport::waitUntil([&] { return connections("y3") == 0; }, 10s));
      EXPECT_TRUE(serve->process().running());
    }

    TEST_F(Serve, StreamsBeyondTheLimitAreRefusedAndShortRequestsStillAnswered)
    {
      std::vector<std::unique_ptr<RawClient>> open;
      for (int i = 0; i < 24; ++i)
      {
        open.push_back(std::make_unique<RawClient>(serve->port()));
        open.back()->send("GET /api/events HTTP/1.1\r\nHost: localhost\r\n\r\n");
        ASSERT_TRUE(open.back()->readUntil("event: system", 10s)) << "stream " << i;
      }
      RawClient refused(serve->port());
      refused.send("GET /api/events HTTP/1.1\r\nHost: localhost\r\n\r\n");
      EXPECT_TRUE(refused.readUntil("503", 10s)) << refused.received();
      EXPECT_TRUE(refused.readUntil("too many open streams (24): close a page or a plot\n", 10s));
      EXPECT_TRUE(component(trimul->path()).is_object());
      EXPECT_EQ(200, post("activate", trimul->path())->status);
      EXPECT_EQ(200, post("deactivate", trimul->path())->status);

      open.clear();
      EXPECT_TRUE(testsupport::waitUntil(
        [&] {
          RawClient again(serve->port());
          again.send("GET /api/events HTTP/1.1\r\nHost: localhost\r\n\r\n");
          return again.readUntil("\r\n\r\n", 2s) && again.received().compare(0, 12, "HTTP/1.1 200") == 0;
        },
        15s, 100ms))
        << "the streams of vanished browsers were never given back";
    }

    TEST_F(Serve, AComponentWhoseProcessDiesIsShownAsZombieAndTheOthersStayServed)
    {
      e2e::TrimulProcess doomed(*ns, "Doomed0");
      ASSERT_TRUE(testsupport::waitUntil([&] { return component(doomed.path())["state"] == "Inactive"; }, 10s));
      doomed.process().signal(SIGKILL);
      ASSERT_TRUE(doomed.process().waitExit(10s));
      EXPECT_TRUE(testsupport::waitUntil([&] { return component(doomed.path())["state"] == "Zombie"; }, 10s));
      const json dead = component(doomed.path());
      EXPECT_NE(std::string::npos, dead["problem"].get<std::string>().find("its process may be gone")) << dead.dump();
      EXPECT_EQ(4u, dead["ports"].size()) << "the dead component's ports were forgotten";

      httplib::Result r = post("activate", doomed.path());
      ASSERT_TRUE(r);
      EXPECT_EQ(502, r->status);
      EXPECT_EQ(doomed.path() + " is not reachable (TRANSIENT); its process may be gone\n", r->body);
      EXPECT_EQ("Inactive", component(trimul->path())["state"]);
      r = post("activate", trimul->path());
      ASSERT_TRUE(r);
      EXPECT_EQ(200, r->status);
      EXPECT_EQ(0, rtctl.run({"deactivate", trimul->path()}).exitCode);
    }

    TEST_F(Serve, ATakenPortIsRefusedWithOneLineAndNothingStarts)
    {
      const e2e::RtctlResult r = rtctl.run({"serve", "--port", std::to_string(serve->port())});
      EXPECT_EQ(1, r.exitCode);
      EXPECT_EQ("", r.out);
      EXPECT_EQ("rtctl: serve: cannot listen on 127.0.0.1:" + std::to_string(serve->port()) +
                  ": the port is taken (choose another with --port)\n",
                r.err);
      EXPECT_TRUE(component(trimul->path()).is_object()) << "the first server stopped serving";
    }

    TEST_F(Serve, AStopSignalThatArrivesDuringStartUpEndsTheServer)
    {
      // Sent once serve holds its stop signals back, before its server listens: it is taken as
      // soon as serve waits for it, while the server may still be starting.
      const auto holdsStopSignals = [](pid_t pid) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
          if (line.compare(0, 7, "SigBlk:") == 0)
            return (std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGINT - 1))) != 0;
        return false;
      };
      for (int round = 0; round < 3; ++round)
      {
        SCOPED_TRACE(round);
        auto starting = rtctl.start({"serve", "--port", "0"});
        ASSERT_TRUE(testsupport::waitUntil([&] { return holdsStopSignals(starting->pid()); }, 30s));
        starting->signal(SIGINT);
        ASSERT_TRUE(starting->waitExit(20s)) << "serve did not stop: " << starting->stdoutText();
        EXPECT_TRUE(starting->exitedNormally() && starting->exitCode() == 0) << starting->stderrText();
      }
    }
  }
}

namespace web
{
  namespace
  {
    // Changes made by others (here: rtctl) reach the page through the observers serve attaches,
    // not by waiting for its next pass; a component that takes no observer is polled instead.
    class ServeWatching : public ::testing::Test
    {
    protected:
      // How many SDO services (observers) the component has attached now.
      size_t observers(const std::string& path)
      {
        CORBA::Object_var obj = naming.resolve(path);
        RTC::RTObject_var component = RTC::RTObject::_narrow(obj.in());
        SDOPackage::ServiceProfileList_var profiles = component->get_service_profiles();
        return profiles->length();
      }
      testsupport::NameServer ns;
      testsupport::NamingClient naming{testsupport::testOrb(), ns.corbaloc()};
      e2e::TrimulProcess watched{ns};
      e2e::Rtctl rtctl{ns.address()};
    };

    TEST_F(ServeWatching, ChangesMadeElsewhereArriveThroughTheObserverWhichGoesWithTheServer)
    {
      {
        // Its passes are too far apart to see anything within the test's bounds.
        ServeProcess serve(ns, {"--interval", "60"});
        ASSERT_TRUE(testsupport::waitUntil([&] { return observers(watched.path()) == 1; }, 10s));
        RawClient events(serve.port());
        events.send("GET /api/events HTTP/1.1\r\nHost: localhost\r\n\r\n");
        ASSERT_TRUE(events.readUntil("\"state\":\"Inactive\"", 10s));

        ASSERT_EQ(0, rtctl.run({"activate", watched.path()}).exitCode);
        EXPECT_TRUE(events.readUntil("\"state\":\"Active\"", 10s)) << events.received();
        ASSERT_EQ(0, rtctl.run({"connect", watched.port("y1"), watched.port("x1")}).exitCode);
        EXPECT_TRUE(events.readUntil("\"peers\":[\"Trimul0.x1\"]", 10s)) << events.received();
        EXPECT_NE(std::string::npos, events.received().find("class=\\\"edge\\\"")) << "the graph has no edge";
      }
      EXPECT_EQ(0u, observers(watched.path())) << "serve left its observer attached";
    }

    TEST_F(ServeWatching, AFrozenComponentIsShownAsZombieAndDoesNotHoldUpTheOthers)
    {
      e2e::TrimulProcess frozen(ns, "Frozen0");
      ServeProcess serve(ns, {"--interval", "0.2"});
      RawClient events(serve.port());
      events.send("GET /api/events HTTP/1.1\r\nHost: localhost\r\n\r\n");
      ASSERT_TRUE(events.readUntil("Frozen0.rtc", 10s));
      ASSERT_TRUE(testsupport::waitUntil([&] { return observers(frozen.path()) == 1; }, 10s));

      frozen.process().signal(SIGSTOP);
      // Its observer falls silent; reading it then finds it not answering.
      EXPECT_TRUE(events.readUntil("\"state\":\"Zombie\"", 20s)) << events.received().substr(0, 2000);
      ASSERT_EQ(0, rtctl.run({"activate", watched.path()}).exitCode);
      EXPECT_TRUE(events.readUntil("\"state\":\"Active\"", 10s)) << "a frozen component held up the others";
      frozen.process().signal(SIGCONT);
    }

    TEST_F(ServeWatching, AComponentThatRefusesAnObserverIsPolled)
    {
      const std::string path = testsupport::hostName() + ".host_cxt/Closed0.rtc";
      testsupport::ChildProcess closed(testsupport::findProgram("src/TrimulComp"),
                                       {"-o", "corba.nameservers:" + ns.address(), "-o",
                                        "corba.endpoints:127.0.0.1:", "-o", "naming.formats:%h.host_cxt/Closed0.rtc",
                                        "-o", "sdo.service.consumer.enabled_service:NONE"});
      ASSERT_TRUE(testsupport::waitUntil([&] { return naming.isBound(path); }, 20s)) << closed.stderrText();
      ServeProcess serve(ns, {"--interval", "0.3"});
      const auto state = [&] {
        httplib::Result r = serve.client()->Get("/api/system");
        const json all = r ? json::parse(r->body, nullptr, false) : json();
        for (const json& c : all.value("components", json::array()))
          if (c["key"] == keyOf(ns, path))
            return c["state"].get<std::string>();
        return std::string("missing");
      };
      ASSERT_TRUE(testsupport::waitUntil([&] { return state() == "Inactive"; }, 10s)) << state();
      ASSERT_EQ(0, rtctl.run({"activate", path}).exitCode);
      EXPECT_TRUE(testsupport::waitUntil([&] { return state() == "Active"; }, 10s)) << state();
      EXPECT_EQ(0u, observers(path));
      EXPECT_EQ(1u, observers(watched.path()));
      closed.signal(SIGINT);
      EXPECT_TRUE(closed.waitExit(20s));
    }
  }
}
