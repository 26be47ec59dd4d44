// rtctl system against real processes: a two-Trimul chain saved, taken down and brought up again
// with the same connector ids; a file written by hand as another tool would; every kind of file
// that cannot be used; and the picture of the demo system.
#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include <stdlib.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    // A folder of its own for the files a test writes, removed with everything in it.
    class ScratchFolder
    {
    public:
      ScratchFolder() : m_path(testsupport::makeTempFolder("rtctl-system-")) {}
      ~ScratchFolder() { std::system(("rm -rf '" + m_path + "'").c_str()); }
      std::string file(const std::string& name, const std::string& content = "") const
      {
        std::string path = m_path + "/" + name;
        if (!content.empty())
          std::ofstream(path) << content;
        return path;
      }

    private:
      std::string m_path;
    };

    class SystemFiles : public ::testing::Test
    {
    protected:
      testsupport::NameServer ns;
      TrimulProcess first{ns, "first"};
      TrimulProcess second{ns, "second"};
      Rtctl rtctl{ns.address()};
      ScratchFolder folder;

      std::string uri(const TrimulProcess& p) const { return ns.address() + "/" + p.path(); }
      std::string shown(const TrimulProcess& p, const std::string& port) const { return "/" + uri(p) + ":" + port; }

      // A component element as a hand-written file has it.
      std::string component(const std::string& pathUri, bool required = true, const std::string& more = "") const
      {
        return "<r:Components r:id=\"RTC:Karvo:Category:Trimul:1.0.0\" r:pathUri=\"" + pathUri +
               "\" r:instanceName=\"Trimul0\" r:isRequired=\"" + (required ? "true" : "false") +
               "\" r:activeConfigurationSet=\"default\"><r:DataPorts r:name=\"x1\"/><r:DataPorts r:name=\"y1\"/>"
               "<e:Location e:x=\"1\" e:y=\"2\"/><vendor:Color value=\"blue\"/>" +
               more + "</r:Components>";
      }
      std::string connector(const std::string& id, const std::string& from, const std::string& to,
                            const std::string& fromPort = "y1", const std::string& toPort = "x1") const
      {
        auto end = [](const char* tag, const std::string& pathUri, const std::string& port) {
          return std::string("<r:") + tag + " r:portName=\"Trimul0." + port +
                 "\" r:instanceName=\"Trimul0\"><e:Properties e:name=\"COMPONENT_PATH_ID\" e:value=\"" + pathUri +
                 "\"/></r:" + tag + ">";
        };
        return "<r:DataPortConnectors r:connectorId=\"" + id +
               "\" r:name=\"link\" r:dataType=\"IDL:RTC/TimedLong:1.0\" "
               "r:interfaceType=\"corba_cdr\" r:dataflowType=\"push\" r:subscriptionType=\"flush\">" +
               end("targetDataPort", to, toPort) + end("sourceDataPort", from, fromPort) +
               "<e:Properties e:name=\"dataport.buffer.length\" e:value=\"4\"/></r:DataPortConnectors>";
      }
      // Prefixes of its own, connectors before components, elements of another vendor.
      static std::string systemFile(const std::string& body)
      {
        return "<?xml version=\"1.0\"?>\n<r:RtsProfile xmlns:e=\"http://www.openrtp.org/namespaces/rts_ext\" "
               "xmlns:vendor=\"urn:vendor\" xmlns:r=\"http://www.openrtp.org/namespaces/rts\" r:version=\"0.2\" "
               "r:id=\"RTSystem:hand:made:1\"><vendor:Layout/>" +
               body + "<r:StartUp/></r:RtsProfile>\n";
      }

      bool isConnected(const TrimulProcess& p, const std::string& port)
      {
        return rtctl.run({"cat", p.port(port)}).out.find("connected to") != std::string::npos;
      }
    };

    TEST_F(SystemFiles, ASavedChainComesBackWithItsConnectorIdsAndCarriesDataAgain)
    {
      const RtctlResult connected =
        rtctl.run({"connect", first.port("y1"), second.port("x1"), "-p", "subscription_type=new"});
      ASSERT_EQ(0, connected.exitCode) << connected.err;
      const std::string id = connected.out.substr(0, connected.out.size() - 1);
      const std::string file = folder.file("chain.xml");
      const std::string link = shown(first, "y1") + " -> " + shown(second, "x1") + " (" + id + ")";

      const RtctlResult saved = rtctl.run({"system", "save", file});
      ASSERT_EQ(0, saved.exitCode) << saved.err;
      EXPECT_EQ("saved 2 component(s) and 1 connection(s) to " + file + "\n", saved.out);
      EXPECT_EQ(std::string::npos, testsupport::readFile(file).find("inport_ior"))
        << "a saved connection keeps a dead reference";
      const RtctlResult same = rtctl.run({"system", "check", file});
      EXPECT_EQ(0, same.exitCode) << same.err;
      EXPECT_EQ("", same.out);

      const RtctlResult down = rtctl.run({"system", "down", file});
      EXPECT_EQ(0, down.exitCode) << down.err;
      EXPECT_EQ("disconnected " + link + "\n", down.out);
      EXPECT_FALSE(isConnected(second, "x1"));
      const RtctlResult differs = rtctl.run({"system", "check", file});
      EXPECT_EQ(1, differs.exitCode) << differs.err;
      EXPECT_EQ("missing connection " + link + "\n", differs.out);

      const RtctlResult up = rtctl.run({"system", "up", file});
      ASSERT_EQ(0, up.exitCode) << up.err;
      EXPECT_EQ("connected " + link +
                  "\n"
                  "configured /" +
                  uri(first) +
                  ": 1 set(s), 0 value(s), set 'default' active\n"
                  "configured /" +
                  uri(second) +
                  ": 1 set(s), 0 value(s), set 'default' active\n"
                  "activated /" +
                  uri(first) + "\nactivated /" + uri(second) + "\n",
                up.out);
      const std::string port = rtctl.run({"cat", "-l", second.port("x1")}).out;
      EXPECT_NE(std::string::npos,
                port.find("connected to Trimul0.y1 at " + first.port("y1") + "  (connector " + id + ")"))
        << port;
      EXPECT_TRUE(std::regex_search(port, std::regex("dataport.subscription_type +new\n"))) << port;
      EXPECT_EQ(0, rtctl.run({"system", "check", file}).exitCode);

      auto y1 = rtctl.startPrint(second.port("y1"), 1);
      auto y2 = rtctl.startPrint(second.port("y2"), 1);
      auto y3 = rtctl.startPrint(second.port("y3"), 1);
      ASSERT_EQ(0, rtctl.run({"inject", first.port("x1"), "7"}).exitCode);
      EXPECT_EQ("28\n", Rtctl::finish(*y1).out);
      EXPECT_EQ("140\n", Rtctl::finish(*y2).out);
      EXPECT_EQ("1400\n", Rtctl::finish(*y3).out);

      const RtctlResult stop = rtctl.run({"system", "stop", file});
      EXPECT_EQ(0, stop.exitCode) << stop.err;
      EXPECT_EQ("deactivated /" + uri(first) + "\ndeactivated /" + uri(second) + "\n", stop.out);
      EXPECT_EQ("Inactive  first.rtc  x1(in) y1(out) y2(out) y3(out)\n"
                "Inactive  second.rtc  x1(in) y1(out) y2(out) y3(out)\n",
                rtctl.run({"ls", "-l", testsupport::hostName() + ".host_cxt"}).out);
    }

    TEST_F(SystemFiles, AFileWrittenByHandLoadsStartsAndIsDrawnLive)
    {
      const std::string file = folder.file("hand.xml", systemFile(connector("hand-made-1", uri(first), uri(second)) +
                                                                  component(uri(second)) + component(uri(first))));

      const RtctlResult up = rtctl.run({"system", "up", file});
      ASSERT_EQ(0, up.exitCode) << up.err;
      EXPECT_EQ(0u, up.out.find("connected " + shown(first, "y1") + " -> " + shown(second, "x1") + " (hand-made-1)\n"))
        << up.out;
      EXPECT_EQ(0, rtctl.run({"system", "check", file}).exitCode);
      const std::string port = rtctl.run({"cat", "-l", first.port("y1")}).out;
      EXPECT_NE(std::string::npos, port.find("(connector hand-made-1)")) << port;
      EXPECT_TRUE(std::regex_search(port, std::regex("dataport.buffer.length +4\n"))) << port;

      const RtctlResult graph = rtctl.run({"system", "graph"});
      EXPECT_EQ(0, graph.exitCode) << graph.err;
      EXPECT_NE(std::string::npos, graph.out.find("\"" + uri(first) +
                                                  "\" [label=\"{{<x1> x1}|first\\n(Trimul0)\\nActive|"
                                                  "{<y1> y1|<y2> y2|<y3> y3}}\", fillcolor=\"#9be39b\""))
        << graph.out;
      EXPECT_NE(std::string::npos, graph.out.find("\"" + uri(first) + "\":\"y1\":e -> \"" + uri(second) +
                                                  "\":\"x1\":w [label=\"flush\"];"))
        << graph.out;
    }

    TEST_F(SystemFiles, AFileThatCannotBeUsedChangesNothingAndSaysWhy)
    {
      const std::string ghost = ns.address() + "/" + testsupport::hostName() + ".host_cxt/ghost.rtc";
      const std::string good = connector("c-1", uri(first), uri(second));
      const std::string file = folder.file("bad.xml");
      const struct
      {
        const char* what;
        std::string content;
        int status;
        std::string message;
      } cases[] = {
        {"not XML", "<r:RtsProfile", 1, file + ": not XML: Error parsing start element tag at line 1"},
        {"not a system file", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>", 1,
         file + ": not a system profile: its root element is <svg>, not rts:RtsProfile of "
                "http://www.openrtp.org/namespaces/rts"},
        {"a required component is not running",
         systemFile(component(uri(first)) + component(uri(second)) + component(ghost) + good), 1,
         "required component /" + ghost + " is not running: no such object: /" + ghost + "; nothing was changed"},
        {"a port that does not exist",
         systemFile(component(uri(first)) + component(uri(second)) + good +
                    connector("c-2", uri(first), uri(second), "y9", "x1")),
         1,
         "rts:DataPortConnectors 'link' (c-2): no port 'y9' on /" + uri(first) +
           " (its ports: x1, y1, y2, y3); nothing was changed"},
        {"two outputs joined",
         systemFile(component(uri(first)) + component(uri(second)) + good +
                    connector("c-2", uri(first), uri(second), "y2", "y3")),
         1,
         "rts:DataPortConnectors 'link' (c-2): cannot connect Trimul0.y2 to Trimul0.y3: both are output ports; "
         "nothing was changed"},
      };
      for (const auto& c : cases)
      {
        folder.file("bad.xml", c.content);
        const RtctlResult r = rtctl.run({"system", "up", file});
        EXPECT_EQ(c.status, r.exitCode) << c.what;
        EXPECT_EQ("rtctl: system: " + c.message + "\n", r.err) << c.what;
        EXPECT_EQ("", r.out) << c.what;
        EXPECT_FALSE(isConnected(first, "y1")) << c.what;
        // check cannot tell either, and says so apart from "differs".
        if (c.message.compare(0, file.size(), file) == 0)
        {
          EXPECT_EQ(2, rtctl.run({"system", "check", file}).exitCode) << c.what;
        }
      }

      // An optional component that is not running is skipped; the rest comes up.
      const std::string optional =
        folder.file("optional.xml", systemFile(component(uri(first)) + component(uri(second)) +
                                               component(ghost, false) + good + connector("c-3", ghost, uri(second))));
      const RtctlResult r = rtctl.run({"system", "up", optional});
      EXPECT_EQ(0, r.exitCode) << r.err;
      EXPECT_EQ("rtctl: system: warning: skipping optional component /" + ghost + ": no such object: /" + ghost +
                  "\nrtctl: system: warning: skipping /" + ghost + ":y1 -> /" + uri(second) +
                  ":x1 (c-3): an optional component is not running\n",
                r.err);
      EXPECT_TRUE(isConnected(first, "y1"));
      const RtctlResult check = rtctl.run({"system", "check", optional});
      EXPECT_EQ(1, check.exitCode);
      EXPECT_EQ("missing optional component /" + ghost + ": no such object: /" + ghost + "\n", check.out);
    }

    TEST_F(SystemFiles, CheckTellsEachDifferenceAndUpMendsWhatItRestores)
    {
      const std::string file =
        folder.file("differs.xml",
                    systemFile(component(uri(first), true,
                                         "<r:ConfigurationSets r:id=\"default\"><r:ConfigurationData r:name=\"gain\" "
                                         "r:data=\"3\"/></r:ConfigurationSets>") +
                               component(uri(second), true, "<r:DataPorts r:name=\"z9\"/>") +
                               connector("c-1", uri(first), uri(second))));
      ASSERT_EQ(0, rtctl
                     .run({"connect", first.port("y1"), second.port("x1"), "-i", "c-1", "-p", "subscription_type=new",
                           "-p", "buffer.length=4"})
                     .exitCode);
      const RtctlResult extra = rtctl.run({"connect", first.port("y2"), second.port("x1")});
      ASSERT_EQ(0, extra.exitCode) << extra.err;
      const std::string link = shown(first, "y1") + " -> " + shown(second, "x1") + " (c-1)";
      const std::string gainMissing =
        "configuration of /" + uri(first) + ": set 'default' has no 'gain' (the file: '3')";

      const RtctlResult before = rtctl.run({"system", "check", file});
      EXPECT_EQ(1, before.exitCode) << before.err;
      EXPECT_EQ(gainMissing +
                  "\n"
                  "missing port " +
                  shown(second, "z9") +
                  "\n"
                  "connection " +
                  link +
                  " has dataport.subscription_type='new' (the file: 'flush')\n"
                  "connection not in the file " +
                  shown(first, "y2") + " -> " + shown(second, "x1") + " (" + extra.out.substr(0, extra.out.size() - 1) +
                  ")\n",
                before.out);

      // A connection already there is left as it is; the configuration is set.
      const RtctlResult up = rtctl.run({"system", "up", file});
      EXPECT_EQ(0, up.exitCode) << up.err;
      EXPECT_EQ(0u, up.out.find("already connected " + link +
                                "\n"
                                "configured /" +
                                uri(first) + ": 1 set(s), 1 value(s), set 'default' active\n"))
        << up.out;
      const RtctlResult after = rtctl.run({"system", "check", file});
      EXPECT_EQ(1, after.exitCode);
      EXPECT_EQ(std::string::npos, after.out.find(gainMissing)) << after.out;
      EXPECT_NE(std::string::npos, after.out.find("missing port")) << after.out;
    }

    TEST_F(SystemFiles, SavingOneComponentLeavesOutItsConnectionsToOthers)
    {
      const RtctlResult connected = rtctl.run({"connect", first.port("y1"), second.port("x1")});
      ASSERT_EQ(0, connected.exitCode) << connected.err;
      const std::string file = folder.file("one.xml");

      const RtctlResult saved = rtctl.run({"system", "save", file, first.path(), "--name", "Solo", "--vendor", "Us"});
      EXPECT_EQ(0, saved.exitCode) << saved.err;
      EXPECT_EQ("saved 1 component(s) and 0 connection(s) to " + file + "\n", saved.out);
      EXPECT_EQ("rtctl: system: warning: left out connector " + connected.out.substr(0, connected.out.size() - 1) +
                  " of " + first.path() + ":y1: it joins a port outside the components saved\n",
                saved.err);
      const std::string text = testsupport::readFile(file);
      EXPECT_NE(std::string::npos, text.find("rts:id=\"RTSystem:Us:Solo:1.0\"")) << text;
      EXPECT_NE(std::string::npos, text.find("rts:pathUri=\"" + uri(first) + "\"")) << text;
      EXPECT_EQ(std::string::npos, text.find(uri(second))) << text;

      const RtctlResult nothing = rtctl.run({"system", "save", file, "nowhere.host_cxt"});
      EXPECT_EQ(1, nothing.exitCode);
      EXPECT_EQ("rtctl: system: no such object: nowhere.host_cxt\n", nothing.err);
      EXPECT_EQ(text, testsupport::readFile(file)) << "a failed save spoilt the file there";
    }

    // Node -> its record label, and "from:port -> to:port [label]" for each edge.
    struct DotGraph
    {
      std::map<std::string, std::string> nodes;
      std::set<std::string> edges;
    };

    DotGraph parseDot(const std::string& dot)
    {
      DotGraph graph;
      const std::regex node("^  \"([^\"]+)\" \\[label=\"([^\"]*)\"");
      const std::regex edge("^  \"[^\"]*/([^\"/]+)\\.rtc\":\"([^\"]+)\":e -> \"[^\"]*/([^\"/]+)\\.rtc\":\"([^\"]+)\":w "
                            "\\[label=\"([^\"]*)\"\\];$");
      std::istringstream lines(dot);
      std::string line;
      std::smatch m;
      while (std::getline(lines, line))
      {
        if (std::regex_search(line, m, edge))
          graph.edges.insert(m[1].str() + ":" + m[2].str() + " -> " + m[3].str() + ":" + m[4].str() + " [" +
                             m[5].str() + "]");
        else if (std::regex_search(line, m, node))
          graph.nodes[m[1]] = m[2];
      }
      return graph;
    }

    TEST(SystemGraph, TheDemoSystemIsDrawnAsDotAndAsSvg)
    {
      const Rtctl rtctl("127.0.0.1:1");  // a file alone needs no naming service
      const std::string file = std::string(TRIMUL_SOURCE_DIR) + "/docs/demo-system.xml";

      const RtctlResult r = rtctl.run({"system", "graph", file});
      ASSERT_EQ(0, r.exitCode) << r.err;
      const DotGraph sut = parseDot(r.out);
      const std::string at = "localhost:2809/myhost.host_cxt/";
      const std::map<std::string, std::string> nodes = {
        {at + "Sensor0.rtc", "{Sensor0|{<out> out}}"},
        {at + "Trimul0.rtc", "{{<x1> x1}|Trimul0|{<y1> y1|<y2> y2|<y3> y3}}"},
        {at + "Reader0.rtc", "{{<in> in}|Reader0}"},
        {at + "Reader1.rtc", "{{<in> in}|Reader1}"},
        {at + "Reader2.rtc", "{{<in> in}|Reader2}"},
      };
      EXPECT_EQ(nodes, sut.nodes) << r.out;
      const std::set<std::string> edges = {"Sensor0:out -> Trimul0:x1 [flush]", "Trimul0:y1 -> Reader0:in [flush]",
                                           "Trimul0:y2 -> Reader1:in [new]",
                                           "Trimul0:y3 -> Reader2:in [periodic 10 Hz]"};
      EXPECT_EQ(edges, sut.edges) << r.out;
      EXPECT_EQ(0u, r.out.find("digraph system {\n  graph [rankdir=LR")) << r.out;

      ScratchFolder folder;
      const std::string svg = folder.file("demo.svg");
      const RtctlResult rendered = rtctl.run({"system", "graph", file, "-o", svg});
      ASSERT_EQ(0, rendered.exitCode) << rendered.err;
      const std::string picture = testsupport::readFile(svg);
      EXPECT_NE(std::string::npos, picture.find("<svg")) << picture.substr(0, 200);
      for (const char* text : {">Sensor0<", ">Trimul0<", ">Reader2<", ">periodic 10 Hz<"})
        EXPECT_NE(std::string::npos, picture.find(text)) << text;
    }

    TEST(SystemCommandLine, MisuseIsOneLineAndNoFileIsLeftHalfDrawn)
    {
      const Rtctl rtctl("127.0.0.1:1");
      const std::string file = std::string(TRIMUL_SOURCE_DIR) + "/docs/demo-system.xml";
      ScratchFolder folder;
      const struct
      {
        std::vector<std::string> args;
        int status;
        std::string message;
      } cases[] = {
        {{"system"}, 2, "needs a subcommand: save, up, down, start, stop, check or graph (see --help)"},
        {{"system", "restore", file}, 2, "unknown subcommand 'restore' (save, up, down, start, stop, check, graph)"},
        {{"system", "up"}, 2, "takes one system FILE (see --help)"},
        {{"system", "check", file, file}, 2, "takes one system FILE (see --help)"},
        {{"system", "save"}, 2, "save takes a FILE to write, then the PATHs to save (see --help)"},
        {{"system", "graph", file, "-o", "demo.pdf"}, 2, "'demo.pdf': the picture's name must end in .svg or .png"},
        {{"system", "graph", file, "-o", folder.file("gone/demo.svg")},
         1,
         folder.file("gone/demo.svg") + ": dot failed: Error: Could not open \"" + folder.file("gone/demo.svg") +
           ".tmp"},
      };
      for (const auto& c : cases)
      {
        const RtctlResult r = rtctl.run(c.args);
        EXPECT_EQ(c.status, r.exitCode) << c.message;
        EXPECT_EQ(0u, r.err.find("rtctl: system: " + c.message)) << r.err;
        EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
      }
      EXPECT_EQ(0, std::system(("test -z \"$(ls -A '" + folder.file("") + "')\"").c_str())) << "a file was left behind";
    }
  }
}
