#include "client/Error.h"
#include "commands/ManagerCommandLine.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    using Words = std::vector<std::string>;

    TEST(ManagerCommandLine, EachActionTakesItsOperandsAndOptionsAnywhere)
    {
      struct Case
      {
        Words words;
        const char* action;
        Words operands;
        SlaveChoice::Kind slave;
        bool loadable;
      };
      const Case cases[] = {
        {{"ls", "h:2810"}, "ls", {}, SlaveChoice::kNone, false},
        {{"modules", "--loadable", "h:2810"}, "modules", {}, SlaveChoice::kNone, true},
        {{"load", "h:2810", "/opt/T.so", "TInit", "--slave", "1"},
         "load",
         {"/opt/T.so", "TInit"},
         SlaveChoice::kIndex,
         false},
        {{"create", "--slave=vm", "h:2810", "Trimul?instance_name=f"},
         "create",
         {"Trimul?instance_name=f"},
         SlaveChoice::kHost,
         false},
        {{"config", "h:2810", "logger.log_level", ""}, "config", {"logger.log_level", ""}, SlaveChoice::kNone, false},
        {{"config", "h:2810", "--", "k", "-v"}, "config", {"k", "-v"}, SlaveChoice::kNone, false},
      };
      for (const Case& c : cases)
      {
        SCOPED_TRACE(c.words[0]);
        const ManagerCommandLine sut(c.words);
        EXPECT_EQ(c.action, sut.action());
        EXPECT_EQ("h:2810", sut.manager());
        EXPECT_EQ(c.operands, sut.operands());
        EXPECT_EQ(c.slave, sut.slave().kind);
        EXPECT_EQ(c.loadable, sut.loadable());
      }
    }

    TEST(ManagerCommandLine, WrongWordsAreUsageErrorsBeforeAnyManagerIsAsked)
    {
      const Words cases[] = {
        {},
        {"ls"},
        {"list", "h:2810"},
        {"ls", "h:2810", "extra"},
        {"load", "h:2810"},
        {"load", "h:2810", "a.so", "aInit", "more"},
        {"unload", "h:2810", ""},
        {"create", "h:2810"},
        {"delete", "h:2810", "a", "b"},
        {"config", "h:2810", "", "v"},
        {"config", "h:2810", "a", "b", "c"},
        {"ls", "h:2810", "--loadable"},
        {"ls", "h:2810", "--slave"},
        {"ls", "h:2810", "--slave", ""},
        {"ls", "h:2810", "--slave", "-1"},
        {"ls", "h:2810", "-x"},
      };
      for (const Words& words : cases)
      {
        SCOPED_TRACE(::testing::PrintToString(words));
        EXPECT_THROW(ManagerCommandLine{words}, UsageError);
      }
    }

    TEST(ManagerCommandLine, SlaveIsAnIndexWhenAllDigitsAndAHostOtherwise)
    {
      EXPECT_EQ(0u, SlaveChoice::parse("0").index);
      EXPECT_EQ(12u, SlaveChoice::parse("12").index);
      EXPECT_EQ(SlaveChoice::kIndex, SlaveChoice::parse("007").kind);
      EXPECT_EQ("vm", SlaveChoice::parse("vm").host);
      EXPECT_EQ("10.0.0.2", SlaveChoice::parse("10.0.0.2").host);
      EXPECT_EQ(SlaveChoice::kHost, SlaveChoice::parse("host-2").kind);
      EXPECT_THROW(SlaveChoice::parse("99999999999999999999"), UsageError);
    }

    TEST(ManagerCommandLine, LoadCallsTheModulesNamedInitFunctionUnlessOneIsGiven)
    {
      const char* const cases[][2] = {
        {"Trimul.so", "TrimulInit"}, {"/opt/rtc/Trimul.so", "TrimulInit"}, {"./libTrimul.so.1.0", "libTrimulInit"},
        {"Trimul", "TrimulInit"},    {"dir.d/Trimul.so", "TrimulInit"},
      };
      for (const auto& c : cases)
        EXPECT_EQ(c[1], ManagerCommandLine::defaultInitFunction(c[0])) << c[0];
      EXPECT_EQ("setup", ManagerCommandLine({"load", "h:1", "T.so", "setup"}).initFunction());
      EXPECT_EQ("TInit", ManagerCommandLine({"load", "h:1", "T.so"}).initFunction());
    }
  }
}
