// The DOT picture of a system: which side each port is drawn on, and names that would otherwise
// break the record syntax or end a string.
#include "SystemGraph.h"

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

    TEST(SystemGraph, QuotesInNamesCannotEndTheString)
    {
      EXPECT_EQ("\"a\\\"b\\\\\"", SystemGraph::quoted("a\"b\\"));
      EXPECT_EQ("\"\\{x\\}\\\"\"", SystemGraph::quotedRecord(SystemGraph::recordText("{x}") + "\""));
    }
  }
}
