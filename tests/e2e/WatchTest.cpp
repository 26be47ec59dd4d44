// rtctl watch following TrimulComp processes live: the lines it prints for the changes other
// rtctl commands make, a component that takes no observer, one that dies, and the observer it
// leaves behind (none) when stopped.
#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <rtm/idl/RTC.hh>

#include <gtest/gtest.h>

#include <csignal>
#include <regex>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    // An observer hears of a change as it happens: its line is out within this of the change.
    // Sanitizer builds run several times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const auto kPrompt = 500ms;
#else
    const auto kPrompt = 100ms;
#endif

    class Watch : public ::testing::Test
    {
    protected:
      std::unique_ptr<testsupport::ChildProcess> startWatch(const std::vector<std::string>& paths)
      {
        std::vector<std::string> args = {"watch", "--ready", "--heartbeat", "0.1", "--interval", "0.05"};
        args.insert(args.end(), paths.begin(), paths.end());
        auto watch = rtctl.start(args);
        watch->closeStdin();
        EXPECT_TRUE(watch->waitForStderr("rtctl: watch: ready", 20s)) << watch->stderrText();
        return watch;
      }

      // The number of service profiles (attached observers) the component lists.
      CORBA::ULong observersOn(TrimulProcess& trimul)
      {
        CORBA::Object_var obj = testsupport::NamingClient(testsupport::testOrb(), ns.corbaloc()).resolve(trimul.path());
        RTC::RTObject_var rtc = RTC::RTObject::_narrow(obj.in());
        SDOPackage::ServiceProfileList_var profiles = rtc->get_service_profiles();
        return profiles->length();
      }

      testsupport::NameServer ns;
      Rtctl rtctl{ns.address()};
    };

    TEST_F(Watch, EachActivationAndConnectionIsPrintedAsItHappensAndStoppingDetaches)
    {
      TrimulProcess first{ns, "first"};
      TrimulProcess second{ns, "second"};
      auto watch = startWatch({first.path(), second.path()});
      EXPECT_EQ(1u, observersOn(first));

      const struct
      {
        std::vector<std::string> command;
        std::string line;  // the end of the line watch prints
      } steps[] = {
        {{"activate", first.path()}, first.path() + " RTC_STATUS ACTIVE:0\n"},
        {{"deactivate", first.path()}, first.path() + " RTC_STATUS INACTIVE:0\n"},
        {{"connect", first.port("y1"), second.port("x1")}, second.path() + " PORT_PROFILE CONNECT:Trimul0.x1\n"},
        {{"disconnect", first.port("y1"), second.port("x1")}, first.path() + " PORT_PROFILE DISCONNECT:Trimul0.y1\n"},
      };
      for (const auto& step : steps)
      {
        ASSERT_EQ(0, rtctl.run(step.command).exitCode) << step.command[0];
        EXPECT_TRUE(watch->waitForStdout(step.line, kPrompt)) << step.line << "not printed; watch printed:\n"
                                                              << watch->stdoutText();
      }
      const std::string out = watch->stdoutText();
      EXPECT_TRUE(
        std::regex_search(out, std::regex("^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} " +
                                          first.path() + " RTC_STATUS ACTIVE:0\n")))
        << out;

      watch->signal(SIGINT);
      ASSERT_TRUE(watch->waitExit(20s));
      EXPECT_EQ(0, watch->exitCode()) << watch->stderrText();
      EXPECT_EQ(0u, observersOn(first));
      EXPECT_EQ(0u, observersOn(second));
    }

    TEST_F(Watch, AComponentWithoutObserversIsPolledAndOneThatDiesIsReportedWhileTheOthersAreStillWatched)
    {
      TrimulProcess observed{ns, "observed"};
      TrimulProcess polled{ns, "polled", {"-o", "sdo.service.consumer.enabled_service:NONE"}};
      TrimulProcess dying{ns, "dying"};
      auto watch = startWatch({testsupport::hostName() + ".host_cxt"});
      EXPECT_NE(std::string::npos, watch->stderrText().find(polled.path() + " takes no observer; polling it"))
        << watch->stderrText();

      ASSERT_EQ(0, rtctl.run({"activate", polled.path()}).exitCode);
      EXPECT_TRUE(watch->waitForStdout(polled.path() + " RTC_STATUS ACTIVE:0\n", 10s)) << watch->stdoutText();

      dying.process().signal(SIGKILL);
      ASSERT_TRUE(dying.process().waitExit(10s));
      EXPECT_TRUE(watch->waitForStderr(dying.path() + " is not reachable", 10s)) << watch->stderrText();
      EXPECT_NE(std::string::npos, watch->stderrText().find("watching the others"));

      ASSERT_EQ(0, rtctl.run({"activate", observed.path()}).exitCode);
      EXPECT_TRUE(watch->waitForStdout(observed.path() + " RTC_STATUS ACTIVE:0\n", kPrompt)) << watch->stdoutText();
      EXPECT_TRUE(watch->running());
      // Said once, not at every poll.
      const std::string err = watch->stderrText();
      EXPECT_EQ(err.find("takes no observer"), err.rfind("takes no observer")) << err;
    }

    TEST_F(Watch, NothingToWatchIsOneLineAndStatusOne)
    {
      const RtctlResult result = rtctl.run({"watch", "nowhere.host_cxt/Nothing0.rtc"});
      EXPECT_EQ(1, result.exitCode);
      EXPECT_EQ(result.err.size() - 1, result.err.find('\n')) << result.err;
    }
  }
}
