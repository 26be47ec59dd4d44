// rtctl serve over a naming service holding what any client may bind (see OddNamingGraph.h): the
// page's snapshot still comes, with the running component read whole, and each entry the walk
// did not follow is a node of its own that says why, once.
#include "ServeProcess.h"

#include "OddNamingGraph.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>

namespace web
{
  namespace
  {
    using nlohmann::json;

    // Each node's problem by its name, through the whole tree.
    void problems(const json& nodes, std::multimap<std::string, std::string>& out)
    {
      for (const json& node : nodes)
      {
        if (!node["problem"].get<std::string>().empty())
          out.emplace(node["name"].get<std::string>(), node["problem"].get<std::string>());
        problems(node["children"], out);
      }
    }

    TEST(ServeNamingGraph, TheSnapshotComesWithEachEntryItDidNotFollowNamedOnce)
    {
      testsupport::NameServer ns;
      e2e::TrimulProcess trimul(ns);
      e2e::bindOddNamingGraph(ns, trimul.path());
      ServeProcess serve(ns);

      const httplib::Result r = serve.client()->Get("/api/system");
      ASSERT_TRUE(r);
      ASSERT_EQ(200, r->status) << r->body;
      const json system = json::parse(r->body, nullptr, false);
      ASSERT_TRUE(system.is_object()) << r->body;

      bool read = false;
      for (const json& component : system["components"])
        read = read || (component["key"] == keyOf(ns, trimul.path()) && component["state"] == "Inactive");
      EXPECT_TRUE(read) << system.dump();

      std::multimap<std::string, std::string> found;
      problems(system["roots"], found);
      const struct
      {
        const char* name;
        const char* problem;
      } expected[] = {
        {"a/b", "left out: a name with '/'"},
        {"..", "left out: a name that reads as a relative path"},
        {"\\xff", "left out: a name that is not printable UTF-8"},
        {"fake.rtc", "left out: bound as a naming context"},
        {"up", "not followed: the same context as the root"},
        {"back", "not followed: the same context as loop"},
      };
      for (const auto& e : expected)
      {
        ASSERT_EQ(1u, found.count(e.name)) << e.name << "\n" << system.dump();
        EXPECT_EQ(0u, found.find(e.name)->second.rfind(e.problem, 0)) << found.find(e.name)->second;
      }
    }
  }
}
