// What ls and cat show of a running TrimulComp: the naming tree, its state, the eleven-property
// profile, the four ports and the one periodic execution context.
#include "SharedTrimul.h"

#include "testsupport/NameServer.h"
#include "testsupport/Paths.h"

#include <gtest/gtest.h>

#include <regex>

namespace e2e
{
  namespace
  {
    class Listing : public SharedTrimul
    {
    protected:
      static bool hasLine(const std::string& text, const std::string& pattern)
      {
        return std::regex_search(text, std::regex("(^|\n)" + pattern + "(\n|$)"));
      }
    };

    TEST_F(Listing, LsOfTheRootShowsTheHostContext)
    {
      const RtctlResult r = rtctl.run({"ls"});
      EXPECT_EQ(0, r.exitCode) << r.err;
      EXPECT_EQ(host + ".host_cxt/\n", r.out);
    }

    TEST_F(Listing, LsOfTheHostContextShowsTheComponent)
    {
      const RtctlResult r = rtctl.run({"ls", host + ".host_cxt"});
      EXPECT_EQ(0, r.exitCode) << r.err;
      EXPECT_EQ("Trimul0.rtc\n", r.out);
    }

    TEST_F(Listing, LsAcceptsTheNamingServiceInThePath)
    {
      const RtctlResult r = rtctl.run({"ls", "/" + ns->address() + "/" + host + ".host_cxt"});
      EXPECT_EQ(0, r.exitCode) << r.err;
      EXPECT_EQ("Trimul0.rtc\n", r.out);
    }

    TEST_F(Listing, LongLsShowsStateAndPortsWithDirections)
    {
      const RtctlResult r = rtctl.run({"ls", "-l", host + ".host_cxt"});
      EXPECT_EQ(0, r.exitCode) << r.err;
      EXPECT_EQ("Inactive  Trimul0.rtc  x1(in) y1(out) y2(out) y3(out)\n", r.out);
    }

    TEST_F(Listing, RecursiveLsWalksEveryContext)
    {
      const RtctlResult r = rtctl.run({"ls", "-R"});
      EXPECT_EQ(0, r.exitCode) << r.err;
      EXPECT_EQ(".:\n" + host + ".host_cxt/\n\n" + host + ".host_cxt:\nTrimul0.rtc\n", r.out);
    }

    TEST_F(Listing, CatShowsTheElevenProfileProperties)
    {
      const RtctlResult r = rtctl.run({"cat", trimul->path()});
      ASSERT_EQ(0, r.exitCode) << r.err;
      // A profile table keeps its hand layout.
      // clang-format off
      const char* const profile[][2] = {
        {"implementation_id", "Trimul"}, {"type_name", "Trimul"}, {"description", "ModuleDescription"},
        {"version", "1.0.0"}, {"vendor", "Karvo"}, {"category", "Category"}, {"activity_type", "PERIODIC"},
        {"kind", "DataFlowComponent"}, {"max_instance", "1"}, {"language", "C\\+\\+"}, {"lang_type", "compile"}};
      // clang-format on
      for (const auto& kv : profile)
        EXPECT_TRUE(hasLine(r.out, std::string(" +") + kv[0] + " +" + kv[1])) << kv[0] << "\n" << r.out;
      EXPECT_TRUE(hasLine(r.out, "  Instance name +Trimul0")) << r.out;
    }

    TEST_F(Listing, CatShowsTheFourPortsWithDirectionAndDataType)
    {
      const RtctlResult r = rtctl.run({"cat", trimul->path()});
      ASSERT_EQ(0, r.exitCode) << r.err;
      EXPECT_TRUE(hasLine(r.out, "    x1 +in +IDL:RTC/TimedLong:1\\.0")) << r.out;
      for (const char* out : {"y1", "y2", "y3"})
        EXPECT_TRUE(hasLine(r.out, std::string("    ") + out + " +out +IDL:RTC/TimedLong:1\\.0")) << out << r.out;
      EXPECT_EQ(std::string::npos, r.out.find("connected to")) << r.out;
    }

    TEST_F(Listing, CatShowsOnePeriodicContextWithTheComponentsState)
    {
      const RtctlResult r = rtctl.run({"cat", trimul->path()});
      ASSERT_EQ(0, r.exitCode) << r.err;
      EXPECT_TRUE(hasLine(r.out, "    0  owned  PERIODIC  1000 Hz  running  Inactive")) << r.out;
      EXPECT_FALSE(hasLine(r.out, "    1 .*")) << r.out;
    }

    TEST_F(Listing, CatOfAPortShowsItsProperties)
    {
      const RtctlResult r = rtctl.run({"cat", trimul->port("y2")});
      ASSERT_EQ(0, r.exitCode) << r.err;
      EXPECT_TRUE(hasLine(r.out, "Trimul0\\.y2  out  IDL:RTC/TimedLong:1\\.0")) << r.out;
      EXPECT_TRUE(hasLine(r.out, "    port\\.port_type +DataOutPort")) << r.out;
      EXPECT_TRUE(hasLine(r.out, "    dataport\\.subscription_type +flush,new,periodic")) << r.out;
    }
  }
}
