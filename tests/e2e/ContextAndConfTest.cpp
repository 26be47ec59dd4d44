// Execution contexts and configuration sets of a running TrimulComp driven with rtctl: start,
// stop and rate as the context allows them, and conf listing, changing and activating sets.
#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    class ContextAndConf : public ::testing::Test
    {
    protected:
      // One line on standard error, exactly `message`, nothing on standard output.
      void expectRefused(const std::vector<std::string>& args, int status, const std::string& message)
      {
        const RtctlResult r = rtctl.run(args);
        EXPECT_EQ(status, r.exitCode) << args[0];
        EXPECT_EQ(message + "\n", r.err) << args[0];
        EXPECT_EQ("", r.out) << args[0];
      }

      std::string out(const std::vector<std::string>& args)
      {
        const RtctlResult r = rtctl.run(args);
        EXPECT_EQ(0, r.exitCode) << args[0] << ": " << r.err;
        return r.out;
      }

      bool printed(const std::string& text)
      {
        return testsupport::waitUntil([&] { return trimul.process().stdoutText().find(text) != std::string::npos; },
                                      10s);
      }

      testsupport::NameServer ns;
      TrimulProcess trimul{ns};
      Rtctl rtctl{ns.address()};
    };

    TEST_F(ContextAndConf, AStoppedContextRunsNothingUntilStartedAgain)
    {
      ASSERT_EQ(0, rtctl.run({"activate", trimul.path()}).exitCode);
      ASSERT_EQ("", out({"stop", trimul.path()}));
      EXPECT_NE(std::string::npos, out({"cat", trimul.path()}).find("stopped  Active")) << "cat";
      ASSERT_EQ(0, rtctl.run({"inject", trimul.port("x1"), "7"}).exitCode);
      expectRefused({"stop", trimul.path()}, 1,
                    "rtctl: stop: refused by execution context 0 of " + trimul.path() +
                      ": PRECONDITION_NOT_MET (it is stopped)");
      EXPECT_EQ("", trimul.process().stdoutText());

      // The sample sent while stopped waits in x1's buffer and goes first once started.
      ASSERT_EQ("", out({"start", trimul.path(), "-e", "0"}));
      ASSERT_EQ(0, rtctl.run({"inject", trimul.port("x1"), "8"}).exitCode);
      EXPECT_TRUE(printed("16=8*2\n")) << trimul.process().stdoutText();
      EXPECT_EQ(0u, trimul.process().stdoutText().find("14=7*2\n70=7*10\n700=7*100\n16=8*2\n"))
        << trimul.process().stdoutText();
      expectRefused({"start", trimul.path()}, 1,
                    "rtctl: start: refused by execution context 0 of " + trimul.path() +
                      ": PRECONDITION_NOT_MET (it is running)");
      expectRefused({"stop", trimul.path(), "-e", "1"}, 1,
                    "rtctl: stop: " + trimul.path() + " has no execution context 1 (it has 1)");
    }

    TEST_F(ContextAndConf, StateRequestsToAStoppedContextAreRefusedAtOnceAndLeaveNothingQueued)
    {
      ASSERT_EQ("", out({"stop", trimul.path()}));
      for (const std::string verb : {"activate", "deactivate", "reset"})
        expectRefused({verb, trimul.path()}, 1,
                      "rtctl: " + verb + ": " + trimul.path() + ": execution context 0 is stopped, so it would not " +
                        verb + " the component; start it first with 'rtctl start " + trimul.path() + "'");

      // Nothing was asked of the context, so starting it changes no state.
      ASSERT_EQ("", out({"start", trimul.path()}));
      EXPECT_FALSE(testsupport::waitUntil(
        [&] {
          return out({"cat", trimul.path()}).find("running  Inactive") == std::string::npos;
        },
        500ms))
        << out({"cat", trimul.path()});
      ASSERT_EQ(0, rtctl.run({"activate", trimul.path()}).exitCode);
    }

    TEST_F(ContextAndConf, SettingAKeyThatIsNoParameterWarnsOnceAndSetsItAllTheSame)
    {
      const RtctlResult unknown = rtctl.run({"conf", trimul.path(), "set", "gain", "3"});
      EXPECT_EQ(0, unknown.exitCode);
      EXPECT_EQ("", unknown.out);
      EXPECT_EQ("rtctl: conf: warning: " + trimul.path() +
                  " has no parameter 'gain' (it has none); setting it in 'default' all the same\n",
                unknown.err);
      EXPECT_EQ("* default\n    gain  3\n", out({"conf", trimul.path()}));

      // Once the set holds it, it is a known key.
      const RtctlResult known = rtctl.run({"conf", trimul.path(), "set", "gain", "4"});
      EXPECT_EQ(0, known.exitCode);
      EXPECT_EQ("", known.err);
    }

    TEST_F(ContextAndConf, RateIsReadAndSetAndUnusableRatesAreRefused)
    {
      EXPECT_EQ("1000\n", out({"rate", trimul.path()}));
      EXPECT_EQ("", out({"rate", trimul.path(), "250.5"}));
      EXPECT_EQ("250.5\n", out({"rate", trimul.path(), "-e", "0"}));
      EXPECT_NE(std::string::npos, out({"cat", trimul.path()}).find("PERIODIC  250.5 Hz  running")) << "cat";

      const std::string refused =
        "rtctl: rate: refused by execution context 0 of " + trimul.path() + ": BAD_PARAMETER (it runs at 250.5 Hz)";
      expectRefused({"rate", trimul.path(), "0"}, 1, refused);
      expectRefused({"rate", trimul.path(), "-5"}, 1, refused);
      expectRefused({"rate", trimul.path(), "fast"}, 2,
                    "rtctl: rate: 'fast' is not a rate in Hz (a number such as 100 or 0.5)");
      expectRefused({"rate", trimul.path(), "1", "2"}, 2,
                    "rtctl: rate: takes one PATH and at most one HZ (see --help)");
      EXPECT_EQ("250.5\n", out({"rate", trimul.path()}));
    }

    TEST_F(ContextAndConf, ConfListsTheDefaultSetAndShowsAValueSetInIt)
    {
      EXPECT_EQ("* default\n", out({"conf", trimul.path()}));
      EXPECT_EQ("", out({"conf", trimul.path(), "set", "gain", "5"}));
      EXPECT_EQ("", out({"conf", trimul.path(), "set", "-s", "default", "mode", "fast lane"}));
      EXPECT_EQ("* default\n    gain  5\n    mode  fast lane\n", out({"conf", trimul.path()}));
      EXPECT_EQ("", out({"conf", trimul.path(), "activate", "default"}));
      EXPECT_EQ("", out({"conf", trimul.path(), "set", "gain", "6"}));
      EXPECT_EQ("* default\n    gain  6\n    mode  fast lane\n", out({"conf", trimul.path()}));
    }

    TEST_F(ContextAndConf, ConfRefusesSetsTheComponentDoesNotHaveAndLeavesItsSetsAlone)
    {
      const std::string none = "rtctl: conf: " + trimul.path() + " has no configuration set 'fast' (its sets: default)";
      expectRefused({"conf", trimul.path(), "set", "-s", "fast", "gain", "5"}, 1, none);
      expectRefused({"conf", trimul.path(), "activate", "fast"}, 1, none);
      expectRefused({"conf", trimul.path(), "set", "gain"}, 2,
                    "rtctl: conf: set takes KEY VALUE: conf PATH set [-s SET] KEY VALUE");
      expectRefused({"conf", trimul.path(), "show"}, 2,
                    "rtctl: conf: unknown action 'show' (set or activate; see --help)");
      expectRefused({"conf", trimul.port("x1")}, 2,
                    "rtctl: conf: '" + trimul.port("x1") + "' names a port; conf takes a component");
      EXPECT_EQ("* default\n", out({"conf", trimul.path()}));
    }
  }
}
