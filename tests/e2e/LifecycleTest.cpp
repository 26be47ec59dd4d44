// Driving TrimulComp's lifecycle with rtctl: activate, deactivate and reset as the execution
// context allows them, exit ending the process, and what ls shows of a process that died.
#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    class Lifecycle : public ::testing::Test
    {
    protected:
      std::string stateLine() { return rtctl.run({"ls", "-l", testsupport::hostName() + ".host_cxt"}).out; }

      testsupport::NameServer ns;
      TrimulProcess trimul{ns};
      Rtctl rtctl{ns.address()};
      const std::string ports = "  x1(in) y1(out) y2(out) y3(out)\n";
    };

    TEST_F(Lifecycle, ActivateAndDeactivateCyclesEachReachTheirState)
    {
      for (int cycle = 0; cycle < 3; ++cycle)
      {
        SCOPED_TRACE(cycle);
        RtctlResult r = rtctl.run({"activate", trimul.path()});
        EXPECT_EQ(0, r.exitCode) << r.err;
        EXPECT_EQ("Active    Trimul0.rtc" + ports, stateLine());
        r = rtctl.run({"deactivate", trimul.path(), "-e", "0"});
        EXPECT_EQ(0, r.exitCode) << r.err;
        EXPECT_EQ("Inactive  Trimul0.rtc" + ports, stateLine());
      }
      EXPECT_EQ("", trimul.process().stdoutText());
    }

    TEST_F(Lifecycle, RequestsTheStateDoesNotAllowAreRefusedAndChangeNothing)
    {
      RtctlResult r = rtctl.run({"deactivate", trimul.path()});
      EXPECT_EQ(1, r.exitCode);
      EXPECT_EQ("rtctl: deactivate: refused for " + trimul.path() +
                  " in execution context 0: PRECONDITION_NOT_MET (it is Inactive)\n",
                r.err);
      r = rtctl.run({"reset", trimul.path()});
      EXPECT_EQ(1, r.exitCode);
      EXPECT_NE(std::string::npos, r.err.find("PRECONDITION_NOT_MET (it is Inactive)")) << r.err;

      ASSERT_EQ(0, rtctl.run({"activate", trimul.path()}).exitCode);
      r = rtctl.run({"activate", trimul.path()});
      EXPECT_EQ(1, r.exitCode);
      EXPECT_NE(std::string::npos, r.err.find("PRECONDITION_NOT_MET (it is Active)")) << r.err;
      r = rtctl.run({"reset", trimul.path()});
      EXPECT_EQ(1, r.exitCode);
      EXPECT_EQ("Active    Trimul0.rtc" + ports, stateLine());
    }

    TEST_F(Lifecycle, AContextTheComponentDoesNotHaveIsRefused)
    {
      const RtctlResult r = rtctl.run({"activate", trimul.path(), "-e", "1"});
      EXPECT_EQ(1, r.exitCode);
      EXPECT_EQ("rtctl: activate: " + trimul.path() + " has no execution context 1 (it has 1)\n", r.err);
      EXPECT_EQ("Inactive  Trimul0.rtc" + ports, stateLine());
    }

    TEST_F(Lifecycle, ExitEndsTrimulCompWithStatusZeroAndUnbindsItsName)
    {
      ASSERT_EQ(0, rtctl.run({"activate", trimul.path()}).exitCode);
      const RtctlResult r = rtctl.run({"exit", trimul.path()});
      EXPECT_EQ(0, r.exitCode) << r.err;
      EXPECT_EQ("", r.out);
      ASSERT_TRUE(trimul.process().waitExit(30s));
      EXPECT_TRUE(trimul.process().exitedNormally());
      EXPECT_EQ(0, trimul.process().exitCode());
      EXPECT_FALSE(trimul.bound());
      EXPECT_EQ("", rtctl.run({"ls", testsupport::hostName() + ".host_cxt"}).out);
    }

    TEST_F(Lifecycle, AComponentWhoseProcessDiedIsListedAsZombieAndRefusedClearly)
    {
      trimul.process().signal(SIGKILL);
      ASSERT_TRUE(trimul.process().waitExit(10s));
      const RtctlResult ls = rtctl.run({"ls", "-l", testsupport::hostName() + ".host_cxt"});
      EXPECT_EQ(0, ls.exitCode) << ls.err;
      EXPECT_EQ(0u, ls.out.find("Zombie    Trimul0.rtc  (")) << ls.out;
      const RtctlResult cat = rtctl.run({"cat", trimul.path()});
      EXPECT_EQ(1, cat.exitCode);
      EXPECT_EQ("rtctl: cat: " + trimul.path() + " is not reachable (TRANSIENT); its process may be gone\n", cat.err);
      const RtctlResult activate = rtctl.run({"activate", trimul.path()});
      EXPECT_EQ(1, activate.exitCode);
      EXPECT_EQ("rtctl: activate: " + trimul.path() + " is not reachable (TRANSIENT); its process may be gone\n",
                activate.err);
    }

    TEST_F(Lifecycle, PrintEndsWhenTheComponentShutsDown)
    {
      auto print = rtctl.startPrint(trimul.port("y1"), 5);
      EXPECT_EQ(0, trimul.stop());
      const RtctlResult r = Rtctl::finish(*print);
      EXPECT_EQ(1, r.exitCode);
      EXPECT_NE(std::string::npos,
                r.err.find("rtctl: print: " + trimul.port("y1") + " closed the connection with 0 of 5 samples\n"))
        << r.err;
    }

    TEST_F(Lifecycle, PrintEndsWhenTheComponentsProcessDies)
    {
      auto print = rtctl.start({"print", trimul.port("y1"), "--ready"});
      ASSERT_TRUE(print->waitForStderr("connected to", 20s)) << print->stderrText();
      trimul.process().signal(SIGKILL);
      const RtctlResult r = Rtctl::finish(*print);
      EXPECT_EQ(0, r.exitCode) << r.err;
      EXPECT_NE(std::string::npos, r.err.find("rtctl: print: " + trimul.port("y1") + " is gone\n")) << r.err;
    }
  }
}
