// TrimulComp as a process: what it prints on its own, how it ends, and what it exports.
#include "ChildProcess.h"
#include "NameServer.h"
#include "NamingClient.h"
#include "Paths.h"
#include "Wait.h"

#include <rtm/idl/RTC.hh>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <memory>

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
      auto sut = std::make_unique<ChildProcess>(
          trimulComp(), std::vector<std::string>{"-o", "corba.nameservers:" + ns.address(), "-o",
                                                 "corba.endpoints:127.0.0.1:"});
      EXPECT_TRUE(testsupport::waitUntil([&] { return naming.isBound(trimulPath()); }, 10s))
          << sut->stderrText();
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
