// Managers in the picture of a running system: a master (rtcd -d, bound in naming) with a
// component of its own and a slave holding another, beside a TrimulComp of no known manager.
// `rtctl system graph` draws the master as a cluster around its component with the slave's
// cluster inside it, each labelled with where it runs; serve's naming tree lists the master with
// its component and its slave with the slave's, and the page's graph has the same clusters.
#include "ServeProcess.h"

#include "RtcdProcess.h"
#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <regex>
#include <set>
#include <sstream>

using namespace std::chrono_literals;
using nlohmann::json;

namespace web
{
  namespace
  {
    struct Cluster
    {
      std::string label;
      std::set<std::string> nodes;
      bool operator==(const Cluster& other) const { return label == other.label && nodes == other.nodes; }
    };

    void PrintTo(const Cluster& cluster, std::ostream* out)
    {
      *out << "{label \"" << cluster.label << "\", nodes";
      for (const std::string& node : cluster.nodes)
        *out << " " << node;
      *out << "}";
    }

    // The clusters of a DOT text by their nesting ("cluster_0/cluster_0_0"; "" for the graph
    // itself), each with its label and the ids of the nodes drawn inside it.
    std::map<std::string, Cluster> clustersOf(const std::string& dot)
    {
      std::map<std::string, Cluster> clusters;
      std::vector<std::string> open = {""};
      const std::regex subgraph(R"re(^\s*subgraph "([^"]+)" \{$)re");
      const std::regex label(R"re(^\s*label="((?:[^"\\]|\\.)*)";)re");
      const std::regex node(R"re(^\s*"([^"]+)" \[)re");
      std::istringstream lines(dot);
      std::string line;
      std::smatch m;
      while (std::getline(lines, line))
      {
        if (std::regex_search(line, m, subgraph))
          open.push_back(open.back() + (open.back().empty() ? "" : "/") + m[1].str());
        else if (line.find_first_not_of(' ') != std::string::npos && line.substr(line.find_first_not_of(' ')) == "}")
          open.pop_back();
        else if (std::regex_search(line, m, label) && open.size() > 1)
          clusters[open.back()].label = m[1];
        else if (std::regex_search(line, m, node))
          clusters[open.back()].nodes.insert(m[1]);
      }
      return clusters;
    }

    TEST(ManagerPicture, AMasterAndItsSlaveAreClustersInTheGraphAndManagersInServesTree)
    {
      testsupport::NameServer ns;
      const e2e::Rtctl rtctl(ns.address());
      e2e::RtcdOptions options;
      options.nameServer = ns.address();
      options.masterAddress = e2e::freeMasterAddress();
      options.settings = {"naming.update.interval:0.3", "manager.modules.load_path:" + e2e::moduleFolder(),
                          "manager.shutdown_on_nortcs:NO", "manager.shutdown_auto:NO"};
      options.master = true;
      e2e::RtcdProcess master(options);
      options.master = false;
      e2e::RtcdProcess slave(options);
      ASSERT_TRUE(testsupport::waitUntil(
        [&] {
          return rtctl.run({"mgr", "slaves", options.masterAddress}).out.find('\n') != std::string::npos;
        },
        20s))
        << master.process().stderrText() << slave.process().stderrText();
      for (const std::vector<std::string>& args :
           {std::vector<std::string>{"mgr", "load", options.masterAddress, "Trimul.so"},
            {"mgr", "create", options.masterAddress, "Trimul?instance_name=first"},
            {"mgr", "load", options.masterAddress, "Trimul.so", "--slave", "0"},
            {"mgr", "create", options.masterAddress, "Trimul?instance_name=second", "--slave", "0"}})
      {
        const e2e::RtctlResult r = rtctl.run(args);
        ASSERT_EQ(0, r.exitCode) << args[1] << ": " << r.err;
      }
      e2e::TrimulProcess loner(ns, "loner");
      const std::string host = testsupport::hostName();
      const std::string at = ns.address() + "/" + host + ".host_cxt/";
      const std::string where = host + ", pid ";

      const e2e::RtctlResult graph = rtctl.run({"system", "graph"});
      ASSERT_EQ(0, graph.exitCode) << graph.err;
      EXPECT_EQ("", graph.err);
      const std::map<std::string, Cluster> expected = {
        {"", {"", {at + "loner.rtc"}}},
        {"cluster_0",
         {host + ".host_cxt/manager.mgr\\n" + where + std::to_string(master.process().pid()), {at + "first.rtc"}}},
        {"cluster_0/cluster_0_0", {"slave 0\\n" + where + std::to_string(slave.process().pid()), {at + "second.rtc"}}},
      };
      EXPECT_EQ(expected, clustersOf(graph.out)) << graph.out;

      ServeProcess serve(ns);
      json tree;
      ASSERT_TRUE(testsupport::waitUntil(
        [&] {
          httplib::Result r = serve.client()->Get("/api/system");
          if (!r || r->status != 200)
            return false;
          const json system = json::parse(r->body, nullptr, false);
          tree = system["roots"][0]["children"][0]["children"];
          return system["graph"]["svg"].get<std::string>().find("slave 0") != std::string::npos;
        },
        20s))
        << tree.dump(1);
      json manager;
      for (const json& node : tree)
        if (node["kind"] == "manager")
          manager = node;
      ASSERT_FALSE(manager.is_null()) << tree.dump(1);
      EXPECT_EQ("manager.mgr", manager["name"]);
      EXPECT_EQ(where + std::to_string(master.process().pid()), manager["detail"]);
      const json& held = manager["children"];
      ASSERT_EQ(2u, held.size()) << held.dump(1);
      EXPECT_EQ("/" + at + "first.rtc", held[0]["key"]);
      EXPECT_EQ("slave", held[1]["kind"]);
      EXPECT_EQ(where + std::to_string(slave.process().pid()), held[1]["detail"]);
      ASSERT_EQ(1u, held[1]["children"].size()) << held.dump(1);
      EXPECT_EQ("/" + at + "second.rtc", held[1]["children"][0]["key"]);
      EXPECT_EQ("component", held[1]["children"][0]["kind"]);

      EXPECT_EQ(0, slave.stop()) << slave.process().stderrText();
      EXPECT_EQ(0, master.stop()) << master.process().stderrText();
    }
  }
}
