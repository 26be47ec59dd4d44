// Readers of a whole naming tree against a real omniNames holding what any client may bind (see
// OddNamingGraph.h). Each reader ends, shows the running component and names each bad entry once.
#include "OddNamingGraph.h"
#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/Paths.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

namespace e2e
{
  namespace
  {
    size_t count(const std::string& text, const std::string& what)
    {
      size_t n = 0;
      for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
      return n;
    }

    class OddNamingGraph : public ::testing::Test
    {
    protected:
      void SetUp() override { bindOddNamingGraph(ns, trimul.path()); }
      void TearDown() override { std::system(("rm -f '" + file + "'").c_str()); }

      testsupport::NameServer ns;
      TrimulProcess trimul{ns};
      Rtctl rtctl{ns.address()};
      const std::string file = "/tmp/rtctl-odd-" + std::to_string(::getpid()) + ".xml";
    };

    TEST_F(OddNamingGraph, EveryReaderEndsWithTheGoodComponentAndNamesEachBadEntryOnce)
    {
      const std::string host = testsupport::hostName();
      const struct
      {
        std::vector<std::string> args;
        std::string shown;  // the running component, as this reader shows it
        std::vector<std::string> bad;  // each expected once on standard error
      } readers[] = {
        {{"ls", "-R"},
         "\n" + host + ".host_cxt:\nTrimul0.rtc\n",
         {"a/b: left out", "..: left out", "\\xff: left out", "fake.rtc: left out", "loop/up: not followed",
          "loop/back: not followed"}},
        // Without -R only the root's own entries: its bad names, and the dead component shown as such.
        {{"ls", "-l"},
         "Zombie    dead.rtc",
         {"a/b: left out", "..: left out", "\\xff: left out", "fake.rtc: left out"}},
        {{"system", "save", file},
         "saved 1 component(s)",
         {"a/b: left out", "..: left out", "\\xff: left out", "fake.rtc: left out", "loop/up: not followed",
          "loop/back: not followed", "left out dead.rtc"}},
        {{"system", "graph"},
         "Trimul0.rtc",
         {"a/b: left out", "..: left out", "\\xff: left out", "fake.rtc: left out", "loop/up: not followed",
          "loop/back: not followed", "left out dead.rtc"}},
      };
      for (const auto& reader : readers)
      {
        const RtctlResult r = rtctl.run(reader.args);
        const std::string what = reader.args[0] + " " + reader.args[1];
        EXPECT_EQ(0, r.exitCode) << what << "\n" << r.err;
        EXPECT_NE(std::string::npos, r.out.find(reader.shown)) << what << "\n" << r.out;
        EXPECT_EQ(std::string::npos, r.out.find("hidden")) << what << "\n" << r.out;
        for (const std::string& bad : reader.bad)
          EXPECT_EQ(1u, count(r.err, bad)) << what << ": " << bad << "\n" << r.err;
      }
    }
  }
}
