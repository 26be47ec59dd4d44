// A component's configuration parameters driven as a user drives them: rtcd runs the module
// "Tunable" (an int, a double, a string and a list of doubles bound to its sets), rtctl conf
// changes a value or activates another set while the component runs, and what its onExecute
// prints shows when the change arrived and what it made of it.
#include "Rtctl.h"
#include "RtcdProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    class ConfigParameters : public ::testing::Test
    {
    protected:
      RtcdOptions options()
      {
        RtcdOptions o;
        o.nameServer = ns.address();
        o.masterAddress = freeMasterAddress();
        o.master = true;
        o.settings = {
          "naming.update.interval:0.3", "manager.modules.load_path:" + testsupport::binaryDir() + "/tests/e2e/tunable",
          "manager.modules.preload:Tunable.so", "manager.components.precreate:Tunable", "exec_cxt.periodic.rate:100"};
        return o;
      }

      // The next line onExecute prints after the `seen` lines already printed ("" if none comes).
      std::string nextLine(size_t& seen)
      {
        std::vector<std::string> lines;
        testsupport::waitUntil(
          [&] {
            lines.clear();
            std::istringstream out(rtcd.process().stdoutText());
            for (std::string line; std::getline(out, line) && !out.eof();)
              lines.push_back(line);
            return lines.size() > seen;
          },
          10s);
        return lines.size() > seen ? lines[seen++] : std::string();
      }

      void confSet(const std::vector<std::string>& words)
      {
        std::vector<std::string> args = {"conf", path, "set"};
        args.insert(args.end(), words.begin(), words.end());
        const RtctlResult r = rtctl.run(args);
        EXPECT_EQ(0, r.exitCode) << r.err;
        EXPECT_EQ("", r.err);
      }

      testsupport::NameServer ns;
      testsupport::NamingClient naming{testsupport::testOrb(), ns.corbaloc()};
      Rtctl rtctl{ns.address()};
      const std::string path = testsupport::hostName() + ".host_cxt/Tunable0.rtc";
      RtcdProcess rtcd{options()};
    };

    TEST_F(ConfigParameters, ValuesSetOrActivatedWithRtctlReachTheRunningComponentAndABadOneKeepsTheOld)
    {
      ASSERT_TRUE(testsupport::waitUntil([&] { return naming.isBound(path); }, 20s)) << rtcd.process().stderrText();
      ASSERT_EQ(0, rtctl.run({"activate", path}).exitCode);
      size_t seen = 0;
      EXPECT_EQ("gain=1 scale=0.5 label=plain weights=1,2 from default", nextLine(seen));

      // Each change shows in the next line printed, one value at a time, of every kind.
      confSet({"gain", "7"});
      EXPECT_EQ("gain=7 scale=0.5 label=plain weights=1,2 from default", nextLine(seen));
      confSet({"weights", "3, 4.5,6"});
      EXPECT_EQ("gain=7 scale=0.5 label=plain weights=3,4.5,6 from default", nextLine(seen));
      confSet({"label", "two words"});
      EXPECT_EQ("gain=7 scale=0.5 label=two words weights=3,4.5,6 from default", nextLine(seen));

      // A value that is no int leaves the old one, says so once (not again each time the set it is
      // in applies), and the component goes on.
      confSet({"gain", "many"});
      confSet({"scale", "1.75"});
      EXPECT_EQ("gain=7 scale=1.75 label=two words weights=3,4.5,6 from default", nextLine(seen));
      const std::string warning = "rtcd: warning: Tunable0: configuration set 'default': parameter 'gain' cannot "
                                  "take the value 'many'; it keeps its previous value (give a value of the "
                                  "parameter's type)\n";
      testsupport::waitUntil([&] { return rtcd.process().stderrText() == warning; }, 10s);
      EXPECT_EQ(warning, rtcd.process().stderrText());

      // Another set switches every value at once; going back brings back what was set before.
      ASSERT_EQ(0, rtctl.run({"conf", path, "activate", "fast"}).exitCode);
      EXPECT_EQ("gain=40 scale=2.25 label=quick run weights=0.5,4,8 from fast", nextLine(seen));
      confSet({"-s", "fast", "gain", "41"});
      EXPECT_EQ("gain=41 scale=2.25 label=quick run weights=0.5,4,8 from fast", nextLine(seen));
      ASSERT_EQ(0, rtctl.run({"conf", path, "activate", "default"}).exitCode);
      // The set holds the text it was given ("many"), so gain keeps what it had, fast's 41, and
      // that refusal is told anew.
      EXPECT_EQ("gain=41 scale=1.75 label=two words weights=3,4.5,6 from default", nextLine(seen));
      testsupport::waitUntil([&] { return rtcd.process().stderrText() == warning + warning; }, 10s);
      EXPECT_EQ(warning + warning, rtcd.process().stderrText());
      EXPECT_TRUE(rtcd.process().running());
    }
  }
}
