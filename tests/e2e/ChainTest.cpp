// Two TrimulComp processes chained by rtctl connect, "y1" of the first to "x1" of the second,
// and taken apart again by rtctl disconnect.
#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <regex>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    class Chain : public ::testing::Test
    {
    protected:
      testsupport::NameServer ns;
      TrimulProcess first{ns, "first"};
      TrimulProcess second{ns, "second"};
      Rtctl rtctl{ns.address()};
    };

    TEST_F(Chain, SevenIntoTheFirstArrivesAsTwentyEightThenScaledOnTheSecond)
    {
      const RtctlResult connected = rtctl.run({"connect", first.port("y1"), second.port("x1")});
      ASSERT_EQ(0, connected.exitCode) << connected.err;
      EXPECT_TRUE(std::regex_match(connected.out, std::regex("[0-9a-f-]{36}\n"))) << connected.out;

      auto y1 = rtctl.startPrint(second.port("y1"), 1);
      auto y2 = rtctl.startPrint(second.port("y2"), 1);
      auto y3 = rtctl.startPrint(second.port("y3"), 1);
      ASSERT_EQ(0, rtctl.run({"activate", first.path()}).exitCode);
      ASSERT_EQ(0, rtctl.run({"activate", second.path()}).exitCode);
      ASSERT_EQ(0, rtctl.run({"inject", first.port("x1"), "7"}).exitCode);

      EXPECT_EQ("28\n", Rtctl::finish(*y1).out);
      EXPECT_EQ("140\n", Rtctl::finish(*y2).out);
      EXPECT_EQ("1400\n", Rtctl::finish(*y3).out);
      EXPECT_TRUE(testsupport::waitUntil(
        [&] { return second.process().stdoutText() == "28=14*2\n140=14*10\n1400=14*100\n"; }, 10s))
        << second.process().stdoutText();
      EXPECT_EQ("14=7*2\n70=7*10\n700=7*100\n", first.process().stdoutText());
    }

    TEST_F(Chain, CatShowsTheConnectionOnBothEndsWithThePeersNamingPath)
    {
      const RtctlResult connected = rtctl.run({"connect", first.port("y1"), second.port("x1")});
      ASSERT_EQ(0, connected.exitCode) << connected.err;
      const std::string id = connected.out.substr(0, connected.out.size() - 1);
      // Both components are instance Trimul0 of their own manager; only the names bound differ,
      // so the path is what tells the peer apart, in the form the path to cat was given.
      const RtctlResult a = rtctl.run({"cat", first.port("y1")});
      EXPECT_NE(std::string::npos,
                a.out.find("  connected to Trimul0.x1 at " + second.port("x1") + "  (connector " + id + ")"))
        << a.out;
      const RtctlResult b = rtctl.run({"cat", second.path()});
      EXPECT_NE(std::string::npos, b.out.find("    x1  in   IDL:RTC/TimedLong:1.0\n"
                                              "      connected to Trimul0.y1 at " +
                                              first.port("y1") + "  (connector " + id + ")\n"))
        << b.out;
      const std::string service = "/" + ns.address() + "/";
      const RtctlResult c = rtctl.run({"cat", service + first.port("y1")});
      EXPECT_NE(std::string::npos, c.out.find("  connected to Trimul0.x1 at " + service + second.port("x1") + "  "))
        << c.out;

      // A peer bound in no naming service is shown by its own name alone.
      auto print = rtctl.startPrint(first.port("y2"), 1);
      const RtctlResult d = rtctl.run({"cat", first.port("y2")});
      EXPECT_TRUE(
        std::regex_search(d.out, std::regex("\n  connected to rtctl_print_[0-9]+\\.[a-z0-9]+  \\(connector ")))
        << d.out;
    }

    TEST_F(Chain, DisconnectRemovesTheConnectorFromBothPortsOnce)
    {
      const RtctlResult connected =
        rtctl.run({"connect", second.port("x1"), first.port("y1"), "-p", "subscription_type=new"});
      ASSERT_EQ(0, connected.exitCode) << connected.err;
      const RtctlResult removed = rtctl.run({"disconnect", first.port("y1"), second.port("x1")});
      EXPECT_EQ(0, removed.exitCode) << removed.err;
      EXPECT_EQ(connected.out, removed.out);
      EXPECT_EQ(std::string::npos, rtctl.run({"cat", first.path()}).out.find("connected to"));
      EXPECT_EQ(std::string::npos, rtctl.run({"cat", second.path()}).out.find("connected to"));

      const RtctlResult again = rtctl.run({"disconnect", first.port("y1"), second.port("x1")});
      EXPECT_EQ(1, again.exitCode);
      EXPECT_EQ("rtctl: disconnect: " + first.port("y1") + " and " + second.port("x1") + " are not connected\n",
                again.err);
    }

    TEST_F(Chain, AValueNeitherPortOffersIsRefusedBeforeConnecting)
    {
      const RtctlResult r =
        rtctl.run({"connect", first.port("y1"), second.port("x1"), "-p", "dataport.interface_type=shared_memory"});
      EXPECT_EQ(1, r.exitCode);
      EXPECT_EQ("rtctl: connect: " + first.port("y1") +
                  " does not offer dataport.interface_type 'shared_memory' (it offers: corba_cdr)\n",
                r.err);
      EXPECT_EQ(std::string::npos, rtctl.run({"cat", first.path()}).out.find("connected to"));
    }
  }
}
