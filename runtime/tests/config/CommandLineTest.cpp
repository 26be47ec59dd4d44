#include "../../src/config/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

  using rtm::config::CommandLineResult;

  // Builds a mutable argv the way main() receives one.
  CommandLineResult parse(const std::vector<const char*>& args)
  {
    std::vector<std::string> storage{"prog"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(storage.size() + 1);
    for (std::string& s : storage)
    {
      argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    return rtm::config::parseCommandLine(static_cast<int>(storage.size()), argv.data());
  }

  struct ErrorCase
  {
    const char* name;
    std::vector<const char*> args;
    std::string error;
  };

  class CommandLineErrors : public ::testing::TestWithParam<ErrorCase>
  {};

  TEST_P(CommandLineErrors, ReportsOneClearLine) { EXPECT_EQ(parse(GetParam().args).error, GetParam().error); }

  const ErrorCase kErrors[] = {
    {"UnknownShortOption", {"-x"}, "unknown option '-x'"},
    {"UnknownOptionInACluster", {"-dz"}, "unknown option '-z'"},
    {"UnknownLongOption", {"--verbose"}, "unknown option '--verbose'"},
    {"MissingFileArgument", {"-f"}, "option '-f' needs an argument"},
    {"MissingOverrideArgument", {"-d", "-o"}, "option '-o' needs an argument"},
    {"OverrideWithoutColon", {"-o", "naming.enable"}, "malformed -o value 'naming.enable': expected key:value"},
    {"OverrideWithEmptyKey", {"-o", " :value"}, "malformed -o value ' :value': expected key:value"},
    {"PortNotANumber", {"-p", "http"}, "option '-p' needs a port number (0-65535), not 'http'"},
    {"PortOutOfRange", {"-p", "70000"}, "option '-p' needs a port number (0-65535), not '70000'"},
  };

  INSTANTIATE_TEST_SUITE_P(Cases, CommandLineErrors, ::testing::ValuesIn(kErrors),
                           [](const ::testing::TestParamInfo<ErrorCase>& param) { return param.param.name; });

  TEST(CommandLine, OverrideSplitsAtTheFirstColonAndKeepsTheRestVerbatim)
  {
    const CommandLineResult sut = parse({"-o", " corba.nameservers : host:2809,other:2810 "});

    EXPECT_EQ(sut.error, "");
    EXPECT_EQ(sut.overrides.getProperty("corba.nameservers"), "host:2809,other:2810");
  }

  TEST(CommandLine, AttachedArgumentsAreAccepted)
  {
    const CommandLineResult sut = parse({"-frtc.test.conf", "-onaming.enable:NO"});

    EXPECT_EQ(sut.configFile, "rtc.test.conf");
    EXPECT_EQ(sut.overrides.getProperty("naming.enable"), "NO");
  }

  TEST(CommandLine, LaterOverrideOfTheSameKeyWins)
  {
    const CommandLineResult sut = parse({"-o", "a.b:1", "-p", "2810", "-o", "a.b:2", "-o", "corba.endpoints:host:1"});

    EXPECT_EQ(sut.overrides.getProperty("a.b"), "2");
    EXPECT_EQ(sut.overrides.getProperty("corba.endpoints"), "host:1");
  }

  TEST(CommandLine, PortBecomesAnEndpointOnAllInterfaces)
  {
    const CommandLineResult sut = parse({"-p", "2810"});

    EXPECT_EQ(sut.overrides.getProperty("corba.endpoints"), ":2810");
  }

  TEST(CommandLine, FlagsClusterAndSetMasterAndNoServant)
  {
    const CommandLineResult sut = parse({"-da"});

    EXPECT_TRUE(sut.isMaster);
    EXPECT_EQ(sut.overrides.getProperty("manager.corba_servant"), "NO");
    // -d is kept apart so that an -o of manager.is_master can still override it.
    EXPECT_EQ(sut.overrides.findNode("manager.is_master"), nullptr);
  }

  TEST(CommandLine, ArgumentIsTakenEvenWhenItLooksLikeAnOption)
  {
    const CommandLineResult sut = parse({"-f", "-d", "-l", "-x"});

    EXPECT_EQ(sut.error, "");
    EXPECT_EQ(sut.configFile, "-d");
    EXPECT_FALSE(sut.isMaster);
  }

  TEST(CommandLine, OperandsAreIgnoredAndOptionsAfterThemStillCount)
  {
    const CommandLineResult sut = parse({"operand", "-", "-d"});

    EXPECT_EQ(sut.error, "");
    EXPECT_TRUE(sut.isMaster);
  }

  TEST(CommandLine, DoubleDashEndsTheOptions)
  {
    const CommandLineResult sut = parse({"-d", "--", "-x", "-a"});

    EXPECT_EQ(sut.error, "");
    EXPECT_TRUE(sut.isMaster);
    EXPECT_EQ(sut.overrides.size(), 0);
  }

  TEST(CommandLine, HelpIsRecognisedInBothForms)
  {
    EXPECT_TRUE(parse({"-h"}).helpRequested);
    EXPECT_TRUE(parse({"--help"}).helpRequested);
    EXPECT_FALSE(parse({}).helpRequested);
  }

  TEST(CommandLine, UsageListsEveryOptionButTheOneOnlyAcceptedForCompatibility)
  {
    const std::string text = rtm::config::usage("TrimulComp");

    EXPECT_NE(text.find("TrimulComp"), std::string::npos);
    for (const char* option : {"-f", "-o", "-p", "-d", "-a", "-h"})
    {
      EXPECT_NE(text.find(std::string("  ") + option), std::string::npos) << option;
    }
    // -l is accepted and ignored: nothing to offer a user.
    EXPECT_EQ(text.find("  -l"), std::string::npos) << text;
  }

}  // namespace
