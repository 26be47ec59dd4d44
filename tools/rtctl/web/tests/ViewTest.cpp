// What the page is given of a view: the graph's system profile (only connections between two
// components of the view, each from its output to its input), the managers in its naming tree,
// and the server's answers that need no running system (which Host names it answers, which
// files it serves).
#include "web/JsonText.h"
#include "web/PageAssets.h"
#include "web/PlotBatch.h"
#include "web/ViewJson.h"
#include "web/WebServer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace rtctl
{
  namespace
  {
    SystemView::Component trimul(const std::string& key, const std::string& state)
    {
      SystemView::Component c;
      c.key = key;
      c.name = key.substr(key.rfind('/') + 1);
      c.state = state;
      for (const char* port : {"x1", "y1"})
        c.ports.push_back(
          {port, "Trimul0." + std::string(port), port[0] == 'x' ? "in" : "out", "IDL:RTC/TimedLong:1.0", {}});
      return c;
    }

    TEST(SystemViewProfile, ConnectionsBetweenItsComponentsBecomeConnectorsFromOutputToInput)
    {
      SystemView view;
      SystemView::Component a = trimul("/h:1/a.rtc", "Active");
      SystemView::Component b = trimul("/h:1/b.rtc", "Zombie");
      a.path = "a.rtc";
      b.ports[0].connections.push_back({"c1", "new", "push", "", {"Trimul0.y1"}});
      a.ports[1].connections.push_back({"c1", "new", "push", "", {"Trimul0.x1"}});
      a.ports[1].connections.push_back({"c2", "flush", "push", "", {"rtctl_plot_1.port"}});
      view.components[a.key] = a;
      view.components[b.key] = b;

      // The input side first: the profile must still run from y1 to x1.
      std::ostringstream warnings;
      const SystemProfile sut = view.profile({b.key, a.key}, &warnings);
      ASSERT_EQ(2u, sut.components.size());
      EXPECT_EQ("h:1/a.rtc", sut.components[1].pathUri);
      EXPECT_EQ("DataOutPort", sut.components[1].dataPort("y1")->portType);
      ASSERT_EQ(1u, sut.connectors.size()) << "a connection to a port outside the view was drawn";
      const SavedConnector& c = sut.connectors[0];
      EXPECT_EQ("c1", c.connectorId);
      EXPECT_EQ("new", c.subscriptionType);
      EXPECT_EQ("h:1/a.rtc", c.source.pathUri);
      EXPECT_EQ("y1", c.source.shortName());
      EXPECT_EQ("h:1/b.rtc", c.target.pathUri);
      EXPECT_EQ("x1", c.target.shortName());
      EXPECT_EQ("warning: left out connector c2 of a.rtc:y1: it joins a port outside the components saved\n",
                warnings.str());
      EXPECT_EQ((std::map<std::string, std::string>{{"h:1/a.rtc", "Active"}, {"h:1/b.rtc", "Zombie"}}), view.states());
    }

    // Both components are of one type and so carry one instance name in their ports' own names;
    // only where they are bound tells them apart.
    TEST(SystemView, AConnectionsFarEndIsNamedByWhereItsComponentIsBound)
    {
      SystemView view;
      SystemView::Component a = trimul("/h:1/ctx/Trimul0.rtc", "Active");
      SystemView::Component b = trimul("/h:1/ctx/Trimul1.rtc", "Active");
      a.ports[1].connections.push_back({"c1", "new", "push", "", {"Trimul0.x1"}});
      b.ports[0].connections.push_back({"c1", "new", "push", "", {"Trimul0.y1"}});
      a.ports[1].connections.push_back({"c2", "flush", "push", "", {"rtctl_plot_12728.port"}});
      a.ports[0].connections.push_back({"c3", "flush", "push", "", {"rtctl_inject_7.port"}});
      b.ports[1].connections.push_back({"c4", "flush", "push", "", {"Other0.in"}});
      b.ports[1].connections.push_back({"c5", "flush", "push", "", {"rtctl_x.port"}});
      // Its own output into its own input: only the port itself is left out.
      a.ports[0].connections.push_back({"c6", "new", "push", "", {"Trimul0.y1"}});
      a.ports[1].connections.push_back({"c6", "new", "push", "", {"Trimul0.x1"}});
      // Without ids, connections cannot be told apart: each end keeps its port's own name.
      a.ports[1].connections.push_back({"", "new", "push", "", {"Trimul0.x1"}});
      b.ports[0].connections.push_back({"", "new", "push", "", {"Trimul0.y1"}});
      view.components[a.key] = a;
      view.components[b.key] = b;

      const struct
      {
        std::size_t component;  // in key order: 0 Trimul0, 1 Trimul1
        const char* port;
        const char* connection;
        const char* name;
        const char* path;
        const char* tool;
        const char* ownName;
      } cases[] = {
        {0, "y1", "c1", "Trimul1.x1", "/h:1/ctx/Trimul1.rtc:x1", "", "Trimul0.x1"},
        {1, "x1", "c1", "Trimul0.y1", "/h:1/ctx/Trimul0.rtc:y1", "", "Trimul0.y1"},
        {0, "y1", "c2", "rtctl plot", "", "plot", "rtctl_plot_12728.port"},
        {0, "x1", "c3", "rtctl inject", "", "inject", "rtctl_inject_7.port"},
        {1, "y1", "c4", "Other0.in", "", "", "Other0.in"},
        {1, "y1", "c5", "rtctl_x.port", "", "", "rtctl_x.port"},
        {0, "x1", "c6", "Trimul0.y1", "/h:1/ctx/Trimul0.rtc:y1", "", "Trimul0.y1"},
        {0, "y1", "c6", "Trimul0.x1", "/h:1/ctx/Trimul0.rtc:x1", "", "Trimul0.x1"},
        {0, "y1", "", "Trimul0.x1", "", "", "Trimul0.x1"},
        {1, "x1", "", "Trimul0.y1", "", "", "Trimul0.y1"},
      };
      const nlohmann::json sut = ViewJson::of(view)["components"];
      for (const auto& c : cases)
      {
        nlohmann::json found;
        for (const nlohmann::json& port : sut[c.component]["ports"])
          for (const nlohmann::json& connection : port["connections"])
            if (port["name"] == c.port && connection["id"] == c.connection)
              found = connection;
        ASSERT_TRUE(found.is_object()) << c.port << " " << c.connection << " in " << sut.dump(1);
        EXPECT_EQ(nlohmann::json::array({c.name}), found["peers"]) << c.connection;
        EXPECT_EQ(nlohmann::json::array(
                    {nlohmann::json{{"name", c.name}, {"path", c.path}, {"tool", c.tool}, {"port", c.ownName}}}),
                  found["ends"])
          << c.connection;
      }
    }

    // A component may name its port in Latin-1 and a plotted port may send any bytes: the
    // stream goes on, with what cannot be UTF-8 shown as U+FFFD.
    TEST(JsonText, BytesThatAreNotUtf8DoNotStopTheView)
    {
      const struct
      {
        std::string sent;
        std::string shown;
      } cases[] = {
        {"d\xe9"
         "bit",
         "d\xef\xbf\xbd"
         "bit"},
        {"d\xc3\xa9"
         "bit",
         "d\xc3\xa9"
         "bit"},
        {"\xff", "\xef\xbf\xbd"},
      };
      for (const auto& c : cases)
      {
        SystemView view;
        SystemView::Component a = trimul("/h:1/a.rtc", "Active");
        a.ports[1].name = c.sent;
        a.ports[1].connections.push_back({"c1", "new", "push", "", {c.sent + ".in"}});
        view.components[a.key] = a;
        std::string text;
        ASSERT_NO_THROW(text = JsonText::dump(ViewJson::of(view))) << c.shown;
        EXPECT_EQ(c.shown, nlohmann::json::parse(text)["components"][0]["ports"][1]["name"]);
        EXPECT_EQ(c.shown + ".in",
                  nlohmann::json::parse(text)["components"][0]["ports"][1]["connections"][0]["peers"][0]);
        PlotBatch batch;
        batch.add(1, c.sent);
        ASSERT_NO_THROW(text = batch.take());
        EXPECT_EQ(c.shown, nlohmann::json::parse(text)["samples"][0][1]);
      }
    }

    // A peer of the older middleware names the push rate "dataport.push_rate"; some send both.
    TEST(SystemView, AConnectionShowsItsTypesAndTheNewerPushRateInWhateverOrderTheyCome)
    {
      const struct
      {
        std::vector<std::pair<std::string, std::string>> properties;
        SystemView::Connection shown;
      } cases[] = {
        {{{"dataport.subscription_type", "periodic"}, {"dataport.dataflow_type", "push"}, {"dataport.push_rate", "10"}},
         {"", "periodic", "push", "10", {}}},
        {{{"dataport.push_rate", "10"}, {"dataport.publisher.push_rate", "20"}}, {"", "", "", "20", {}}},
        {{{"dataport.publisher.push_rate", "20"}, {"dataport.push_rate", "10"}}, {"", "", "", "20", {}}},
        {{{"dataport.push_rate", "10"}, {"dataport.push_rate", "30"}}, {"", "", "", "10", {}}},
        {{{"dataport.interface_type", "corba_cdr"}, {"dataport.subscription_type.x", "new"}}, {"", "", "", "", {}}},
      };
      for (const auto& c : cases)
      {
        SystemView::Connection sut;
        for (const auto& property : c.properties)
          if (std::string* field = sut.field(property.first))
            *field = property.second;
        EXPECT_EQ(c.shown.subscription, sut.subscription) << c.properties.front().first;
        EXPECT_EQ(c.shown.dataflow, sut.dataflow) << c.properties.front().first;
        EXPECT_EQ(c.shown.pushRate, sut.pushRate) << c.properties.front().first << " " << c.properties.back().first;
      }
    }

    TEST(SystemView, AManagersNodeHoldsItsComponentsThenItsSlavesWithTheirs)
    {
      SystemView view;
      const std::string manager = "/h:1/ctx/manager.mgr";
      const std::string again = "/h:1/ctx/again.mgr";
      view.roots.push_back({"/h:1",
                            SystemView::Node::kContext,
                            "/h:1",
                            "",
                            {{"manager.mgr", SystemView::Node::kManager, manager, "", {}},
                             {"again.mgr", SystemView::Node::kManager, again, "", {}}}});
      ManagerCluster cluster{"ctx/manager.mgr", "vm", "100", "", {"h:1/ctx/a.rtc"}, 0, {}};
      cluster.slaves.push_back({"slave 0", "far", "200", "", {"h:1/ctx/b.rtc"}, 2, {}});
      cluster.slaves.push_back({"slave 1", "", "", "not reachable (TRANSIENT)", {}, 0, {}});
      view.managers[manager] = cluster;

      const nlohmann::json sut = ViewJson::of(view)["roots"][0]["children"];

      const nlohmann::json& held = sut[0];
      EXPECT_EQ("manager", held["kind"]);
      EXPECT_EQ("vm, pid 100", held["detail"]);
      ASSERT_EQ(3u, held["children"].size()) << held.dump(1);
      EXPECT_EQ((nlohmann::json{{"name", "a.rtc"},
                                {"kind", "component"},
                                {"key", "/h:1/ctx/a.rtc"},
                                {"problem", ""},
                                {"detail", ""},
                                {"children", nlohmann::json::array()}}),
                held["children"][0]);
      const nlohmann::json& slave = held["children"][1];
      EXPECT_EQ("slave", slave["kind"]);
      EXPECT_EQ("slave 0", slave["name"]);
      EXPECT_EQ("far, pid 200", slave["detail"]);
      ASSERT_EQ(2u, slave["children"].size()) << slave.dump(1);
      EXPECT_EQ("/h:1/ctx/b.rtc", slave["children"][0]["key"]);
      EXPECT_EQ("2 not bound under the names shown", slave["children"][1]["name"]);
      EXPECT_EQ("not reachable (TRANSIENT)", held["children"][2]["problem"]);
      // A manager the reader found to be one already shown stays a bare name.
      EXPECT_EQ("manager", sut[1]["kind"]);
      EXPECT_TRUE(sut[1]["children"].empty());
      EXPECT_EQ("", sut[1]["detail"]);
    }

    TEST(WebServer, OnLoopbackOnlyLoopbackHostNamesAreAnswered)
    {
      const struct
      {
        const char* host;
        bool loopbackOnly;
        bool allowed;
      } cases[] = {
        {"127.0.0.1:8080", true, true},
        {"localhost:8080", true, true},
        {"[::1]:8080", true, true},
        {"127.1.2.3", true, true},
        {"", true, true},
        {"evil.example:8080", true, false},
        {"127.0.0.1.evil.example", true, false},
        {"192.168.1.5:8080", true, false},
        {"evil.example", false, true},
      };
      for (const auto& c : cases)
        EXPECT_EQ(c.allowed, WebServer::hostAllowed(c.host, c.loopbackOnly)) << c.host << " " << c.loopbackOnly;
    }

    TEST(PageAssets, ThePageAndItsFilesAreBuiltInWithTheirTypes)
    {
      const PageAssets::Asset* page = PageAssets::find("/");
      ASSERT_NE(nullptr, page);
      EXPECT_STREQ("text/html; charset=utf-8", page->contentType);
      EXPECT_NE(std::string::npos, std::string(reinterpret_cast<const char*>(page->data), page->size).find("/app.js"));
      for (const char* path : {"/app.js", "/app.css"})
      {
        const PageAssets::Asset* asset = PageAssets::find(path);
        ASSERT_NE(nullptr, asset) << path;
        EXPECT_GT(asset->size, 100u) << path;
      }
      EXPECT_EQ(nullptr, PageAssets::find("/../CMakeLists.txt"));
      EXPECT_EQ(nullptr, PageAssets::find("/EmbedAssets.cmake"));
    }
  }
}
