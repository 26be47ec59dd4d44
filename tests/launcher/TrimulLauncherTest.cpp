// TrimulComp as a process: what it prints on its own, how it ends, and what it exports.
#include "testsupport/ChildProcess.h"
#include "testsupport/ClosedPort.h"
#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <rtm/idl/RTC.hh>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

using namespace std::chrono_literals;
using testsupport::ChildProcess;

namespace
{
  std::string trimulComp() { return testsupport::findProgram("src/TrimulComp"); }
  std::string trimulPath() { return testsupport::hostName() + ".host_cxt/Trimul0.rtc"; }

  class TrimulLauncher : public ::testing::Test
  {
  protected:
    std::unique_ptr<ChildProcess> startAndWaitBound()
    {
      auto sut =
        std::make_unique<ChildProcess>(trimulComp(), std::vector<std::string>{"-o", "corba.nameservers:" + ns.address(),
                                                                              "-o", "corba.endpoints:127.0.0.1:"});
      EXPECT_TRUE(testsupport::waitUntil([&] { return naming.isBound(trimulPath()); }, 10s)) << sut->stderrText();
      return sut;
    }

    testsupport::NameServer ns;
    testsupport::NamingClient naming{testsupport::testOrb(), ns.corbaloc()};
  };
}

TEST_F(TrimulLauncher, StartsSilentlyAndEndsWithStatusZeroOnSignals)
{
  for (int sig : {SIGINT, SIGTERM})
  {
    auto sut = startAndWaitBound();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(sut->stdoutText(), "");
    EXPECT_EQ(sut->stderrText(), "");
    sut->signal(sig);
    ASSERT_TRUE(sut->waitExit(15s)) << sig;
    EXPECT_TRUE(sut->exitedNormally()) << sig;
    EXPECT_EQ(sut->exitCode(), 0) << sig;
    EXPECT_FALSE(naming.isBound(trimulPath())) << sig;
    EXPECT_EQ(sut->stdoutText(), "");
    EXPECT_EQ(sut->stderrText(), "");
  }
}

TEST_F(TrimulLauncher, EndsWithStatusZeroWhenTheManagerShutsDown)
{
  auto sut = startAndWaitBound();
  CORBA::Object_var obj = naming.resolve(trimulPath());
  RTC::RTObject_var comp = RTC::RTObject::_narrow(obj.in());
  ASSERT_FALSE(CORBA::is_nil(comp));
  EXPECT_EQ(comp->exit(), RTC::RTC_OK);
  ASSERT_TRUE(sut->waitExit(15s));
  EXPECT_TRUE(sut->exitedNormally());
  EXPECT_EQ(sut->exitCode(), 0);
}

TEST(TrimulLauncherFailure, AFailedCreationPrintsTheLineAndAborts)
{
  ChildProcess sut(trimulComp(), {"-o", "naming.enable:NO", "-o", "corba.endpoints:127.0.0.1:", "-o",
                                  "exec_cxt.periodic.type:NoSuchContext"});
  ASSERT_TRUE(sut.waitExit(15s));
  EXPECT_TRUE(sut.killedBySignal(SIGABRT));
  EXPECT_EQ(sut.stderrText(), "Component create failed.\n");
  EXPECT_EQ(sut.stdoutText(), "");
}

TEST(TrimulLauncherSymbols, TrimulInitIsExportedUnderItsPlainName)
{
  const std::string command = "nm -D --defined-only '" + trimulComp() + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string symbols;
  char line[512];
  while (fgets(line, sizeof line, pipe.get()) != nullptr)
    symbols += line;
  EXPECT_NE(symbols.find(" T TrimulInit\n"), std::string::npos) << symbols.substr(0, 2000);
}

TEST(TrimulLauncherWarnings, EachIsOneLineStartingWithTheProgramNameAndNamingTheSetting)
{
  const std::string unreachable = "127.0.0.1:" + std::to_string(testsupport::closedPort());
  // Trimul.so needs the shared runtime, which only rtcd holds: TrimulComp refuses it unopened.
  const std::string module = std::filesystem::canonical(testsupport::findProgram("src/Trimul.so")).string();
  const std::string moduleFolder = module.substr(0, module.rfind('/'));
  struct Row
  {
    std::vector<std::string> options;
    std::string line;
  };
  const Row rows[] = {
    {{"-o", "corba.nameservers:" + unreachable},
     "TrimulComp: warning: naming service " + unreachable + " is not reachable; will retry every 10 s"},
    {{"-o", "naming.enable:NO", "-o", "exec_cxt.periodic.rate:abc"},
     "TrimulComp: warning: exec_cxt.periodic.rate 'abc' is not a usable rate in Hz; using 1000 Hz"},
    {{"-o", "naming.enable:NO", "-o", "exec_cxt.periodic.rate:-5"},
     "TrimulComp: warning: exec_cxt.periodic.rate '-5' is not a usable rate in Hz; using 1000 Hz"},
    {{"-o", "naming.enable:NO", "-o", "exec_cxt.periodic.rate:"},
     "TrimulComp: warning: exec_cxt.periodic.rate '' is not a usable rate in Hz; using 1000 Hz"},
    {{"-o", "naming.enable:NO", "-o", "manager.modules.load_path:" + moduleFolder, "-o",
      "manager.modules.preload:Trimul.so"},
     "TrimulComp: module '" + module +
       "' needs its own ORB or middleware (libRTC-1.1.2.so): this program has the runtime and the ORB built in; "
       "load the module in rtcd"},
  };
  for (const Row& row : rows)
  {
    std::vector<std::string> args = {"-o", "corba.endpoints:127.0.0.1:"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    ChildProcess sut(trimulComp(), args);
    EXPECT_TRUE(sut.waitForStderr("\n", 10s)) << row.line;
    // Whatever else was to come would have come with the first line.
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(sut.stderrText(), row.line + "\n");
    sut.signal(SIGINT);
    ASSERT_TRUE(sut.waitExit(15s));
    EXPECT_EQ(sut.exitCode(), 0) << row.line;
  }
}

// Two launchers started with one configuration: the second takes the name, saying so; the first
// says it lost it and does not take it back while the second runs; whichever exits first leaves
// the name to the other, and nothing is left bound at the end.
class TrimulLauncherNameClash : public TrimulLauncher, public ::testing::WithParamInterface<bool>
{
protected:
  std::unique_ptr<ChildProcess> start()
  {
    return std::make_unique<ChildProcess>(
      trimulComp(), std::vector<std::string>{"-o", "corba.nameservers:" + ns.address(), "-o",
                                             "corba.endpoints:127.0.0.1:", "-o", "naming.update.interval:0.1"});
  }

  bool boundTo(CORBA::Object_ptr expected)
  {
    CORBA::Object_var found = naming.resolve(trimulPath());
    return !CORBA::is_nil(found) && found->_is_equivalent(expected);
  }

  std::string clashLine(const std::string& what)
  {
    return "TrimulComp: warning: " + trimulPath() + " in naming service " + ns.address() + " " + what +
           " (give each its own name, e.g. -o naming.formats:%h.host_cxt/OTHERNAME.rtc)\n";
  }
};

TEST_P(TrimulLauncherNameClash, ResultsInOneLineEachAndTheNameWithTheOneStillRunning)
{
  const bool secondExitsFirst = GetParam();
  auto first = start();
  ASSERT_TRUE(testsupport::waitUntil([&] { return naming.isBound(trimulPath()); }, 10s)) << first->stderrText();
  CORBA::Object_var firstRef = naming.resolve(trimulPath());
  auto second = start();
  ASSERT_TRUE(testsupport::waitUntil([&] { return !boundTo(firstRef); }, 10s)) << second->stderrText();
  CORBA::Object_var secondRef = naming.resolve(trimulPath());

  EXPECT_TRUE(second->waitForStderr("\n", 10s));
  EXPECT_TRUE(first->waitForStderr("\n", 10s));
  // Ten update intervals: the first must neither take the name back nor repeat itself.
  std::this_thread::sleep_for(1s);
  EXPECT_TRUE(boundTo(secondRef));
  EXPECT_EQ(second->stderrText(), clashLine("already named another running component; it names this one now, "
                                            "and the other gets it back when this one exits"));
  EXPECT_EQ(first->stderrText(), clashLine("now names another running component; this one gets the name back "
                                           "when that one exits"));

  ChildProcess& leaving = secondExitsFirst ? *second : *first;
  ChildProcess& staying = secondExitsFirst ? *first : *second;
  leaving.signal(SIGINT);
  ASSERT_TRUE(leaving.waitExit(15s));
  EXPECT_TRUE(boundTo(secondExitsFirst ? firstRef.in() : secondRef.in()));
  staying.signal(SIGINT);
  ASSERT_TRUE(staying.waitExit(15s));
  EXPECT_FALSE(naming.isBound(trimulPath()));
}

INSTANTIATE_TEST_SUITE_P(WhicheverExitsFirst, TrimulLauncherNameClash, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "SecondExitsFirst" : "FirstExitsFirst";
                         });
