// The DOT picture of a system: which side each port is drawn on, names that would otherwise
// break the record syntax or end a string, and managers as clusters around their components.
#include "format/SystemGraph.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    SystemProfile sensorAndReader()
    {
      SystemProfile profile;
      SavedComponent sensor;
      sensor.pathUri = "h:2809/ctx/Sensor0.rtc";
      sensor.instanceName = "Sensor0";
      // The file says nothing of the ports' directions: the connection tells "out" is an output.
      sensor.dataPorts = {{"out", "", ""}, {"spare", "", ""}};
      SavedComponent reader;
      reader.pathUri = "h:2809/ctx/odd|name.rtc";
      reader.instanceName = "Reader0";
      profile.components = {sensor, reader};
      SavedConnector c;
      c.connectorId = "1";
      c.subscriptionType = "periodic";
      c.pushInterval = "5";
      c.source = {"", "Sensor0", "Sensor0.out", sensor.pathUri};
      c.target = {"", "Reader0", "Reader0.in{1}", reader.pathUri};
      profile.connectors = {c};
      return profile;
    }

    TEST(SystemGraph, PortsGoLeftOrRightByDirectionAndNamesAreEscaped)
    {
      const std::string sut = SystemGraph::dot(sensorAndReader(), {{"h:2809/ctx/Sensor0.rtc", "Active"}}, "");

      EXPECT_NE(std::string::npos,
                sut.find("\"h:2809/ctx/Sensor0.rtc\" [label=\"{{<spare> spare}|Sensor0\\nActive|{<out> out}}\", "
                         "fillcolor=\"#9be39b\""))
        << sut;
      EXPECT_NE(std::string::npos,
                sut.find("[label=\"{{<in\\{1\\}> in\\{1\\}}|odd\\|name\\n(Reader0)}\", fillcolor=\"#ffffff\""))
        << sut;
      EXPECT_NE(std::string::npos, sut.find("\"h:2809/ctx/Sensor0.rtc\":\"out\":e -> \"h:2809/ctx/odd|name.rtc\":"
                                            "\"in{1}\":w [label=\"periodic 5 Hz\"];"))
        << sut;
    }

    TEST(SystemGraph, ManagersAreNestedClustersAroundTheComponentsTheyHold)
    {
      SystemProfile profile = sensorAndReader();
      SavedComponent outside;
      outside.pathUri = "h:2809/ctx/Outside0.rtc";
      profile.components.push_back(outside);
      ManagerCluster master{"ctx/manager.mgr", "vm", "100", "", {"h:2809/ctx/Sensor0.rtc", "h:2809/gone.rtc"}, 1, {}};
      master.slaves.push_back({"slave 0", "far\"host", "", "", {"h:2809/ctx/odd|name.rtc"}, 0, {}});
      master.slaves.push_back({"slave 1", "", "", "TIMEOUT", {}, 0, {}});

      const std::string sut = SystemGraph::dot(profile, {}, "", {master});

      const auto line = [](const std::string& indent, const std::string& pathUri) {
        return indent + "\"" + pathUri + "\" [label=";
      };
      const std::string clusters =
        "  subgraph \"cluster_0\" {\n"
        "    label=\"ctx/manager.mgr\\nvm, pid 100\\n+1 not bound under the names read\"; style=\"rounded,dashed\"; "
        "color=\"#607d8b\"; fontsize=10;\n" +
        line("    ", "h:2809/ctx/Sensor0.rtc");
      EXPECT_NE(std::string::npos, sut.find(clusters)) << sut;
      EXPECT_NE(std::string::npos,
                sut.find("    subgraph \"cluster_0_0\" {\n      label=\"slave 0\\nfar\\\"host, pid ?\"; "))
        << sut;
      EXPECT_NE(std::string::npos, sut.find(line("      ", "h:2809/ctx/odd|name.rtc"))) << sut;
      EXPECT_NE(
        std::string::npos,
        sut.find("    subgraph \"cluster_0_1\" {\n      label=\"slave 1\\n?, pid ?\"; style=\"rounded,dashed\"; "
                 "color=\"#607d8b\"; fontsize=10;\n      \"cluster_0_1_note\" [shape=plaintext, style=\"\", "
                 "label=\"does not answer\"];\n    }\n  }\n"))
        << sut;
      // Drawn once, outside every cluster: a component no manager holds; a name no component has
      // is no node at all.
      EXPECT_NE(std::string::npos, sut.find("\n" + line("  ", "h:2809/ctx/Outside0.rtc"))) << sut;
      EXPECT_EQ(std::string::npos, sut.find("gone.rtc")) << sut;
      EXPECT_EQ(sut.find("\"h:2809/ctx/Sensor0.rtc\" [label"), sut.rfind("\"h:2809/ctx/Sensor0.rtc\" [label")) << sut;
    }

    TEST(SystemGraph, QuotesInNamesCannotEndTheString)
    {
      EXPECT_EQ("\"a\\\"b\\\\\"", SystemGraph::quoted("a\"b\\"));
      EXPECT_EQ("\"\\{x\\}\\\"\"", SystemGraph::quotedRecord(SystemGraph::recordText("{x}") + "\""));
    }
  }
}
