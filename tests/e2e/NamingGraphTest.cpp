// Readers of a whole naming tree against a real omniNames holding what any client may bind: a
// context bound inside itself and its root bound inside its child, names no path can spell, a
// component kind on a plain context and a component whose process is gone. Each reader ends,
// shows the running component and names each bad entry once.
#include "Rtctl.h"
#include "TrimulProcess.h"

#include "ClosedPort.h"
#include "NameServer.h"
#include "NamingClient.h"
#include "Paths.h"

#include <gtest/gtest.h>

#include <omniORB4/Naming.hh>

#include <stdlib.h>
#include <unistd.h>

namespace e2e
{
  namespace
  {
    CosNaming::Name name(std::initializer_list<std::pair<const char*, const char*> > parts)
    {
      CosNaming::Name n;
      n.length(static_cast<CORBA::ULong>(parts.size()));
      CORBA::ULong i = 0;
      for (const auto& part : parts)
      {
        n[i].id = CORBA::string_dup(part.first);
        n[i++].kind = CORBA::string_dup(part.second);
      }
      return n;
    }

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
      void SetUp() override
      {
        CORBA::Object_var obj = testsupport::testOrb()->string_to_object(ns.corbaloc().c_str());
        CosNaming::NamingContext_var root = CosNaming::NamingContext::_narrow(obj.in());
        // The root inside its own child, and that child inside itself.
        CosNaming::NamingContext_var loop = root->bind_new_context(name({{"loop", ""}}));
        root->bind_context(name({{"loop", ""}, {"up", ""}}), root.in());
        root->bind_context(name({{"loop", ""}, {"back", ""}}), loop.in());
        // Contexts under names no path can spell, each hiding a binding of the live component.
        CORBA::Object_var live = testsupport::NamingClient(testsupport::testOrb(), ns.corbaloc()).resolve(trimul.path());
        for (const char* id : {"a/b", "..", "\xff"})
        {
          root->bind_new_context(name({{id, ""}}));
          root->bind(name({{id, ""}, {"hidden", "rtc"}}), live.in());
        }
        root->bind_new_context(name({{"fake", "rtc"}}));
        const std::string gone = "corbaloc::127.0.0.1:" + std::to_string(testsupport::closedPort()) + "/Gone";
        CORBA::Object_var dead = testsupport::testOrb()->string_to_object(gone.c_str());
        root->bind(name({{"dead", "rtc"}}), dead.in());
      }

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
        std::string shown;             // the running component, as this reader shows it
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
