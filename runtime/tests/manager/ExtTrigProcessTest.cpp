// A component as a middleware author writes it (rtclog, listeners, the launcher's templates) in a
// host process of its own, on an externally triggered context that the test ticks over CORBA:
// each tick is one whole cycle, over when tick() returns, so the test counts exactly.
#include "testsupport/ChildProcess.h"
#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <rtm/idl/OpenRTM.hh>
#include <rtm/idl/RTC.hh>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

using namespace std::chrono_literals;

namespace
{
  size_t countLines(const std::string& text, const std::string& line)
  {
    size_t n = 0;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
      n += l == line ? 1 : 0;
    return n;
  }

  std::string fileText(const std::string& path)
  {
    std::ifstream in(path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
}

TEST(ExtTrigProcess, TicksDriveAComponentCycleByCycleWithItsListenersAndLogInStep)
{
  testsupport::NameServer ns;
  testsupport::NamingClient naming(testsupport::testOrb(), ns.corbaloc());
  char folder[] = "/tmp/exttrig_test.XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string logFile = std::string(folder) + "/probe.log";
  testsupport::ChildProcess sut(testsupport::findProgram("testprograms/exttrig_host"),
                                {"-o", "corba.nameservers:" + ns.address(), "-o", "corba.endpoints:127.0.0.1:", "-o",
                                 "exec_cxt.periodic.type:ExtTrigExecutionContext", "-o", "logger.enable:YES", "-o",
                                 "logger.file_name:" + logFile, "-o", "logger.log_level:DEBUG"});
  ASSERT_TRUE(sut.waitForStdout("ready\n", 15s)) << sut.stderrText();
  const std::string path = testsupport::hostName() + ".host_cxt/TickProbe0.rtc";
  ASSERT_TRUE(testsupport::waitUntil([&] { return naming.isBound(path); }, 10s));
  CORBA::Object_var obj = naming.resolve(path);
  RTC::RTObject_var comp = RTC::RTObject::_narrow(obj.in());
  ASSERT_FALSE(CORBA::is_nil(comp));
  RTC::ExecutionContextList_var ecs = comp->get_owned_contexts();
  ASSERT_EQ(ecs->length(), 1u);
  OpenRTM::ExtTrigExecutionContextService_var ec = OpenRTM::ExtTrigExecutionContextService::_narrow(ecs[0u]);
  ASSERT_FALSE(CORBA::is_nil(ec));
  EXPECT_NE(sut.stdoutText().find("port ADD_PORT TickProbe0.out\n"), std::string::npos) << sut.stdoutText();

  // Without ticks nothing happens, not even the activation.
  ASSERT_EQ(ec->activate_component(comp.in()), RTC::RTC_OK);
  EXPECT_EQ(ec->get_component_state(comp.in()), RTC::INACTIVE_STATE);
  ec->tick();
  EXPECT_EQ(ec->get_component_state(comp.in()), RTC::ACTIVE_STATE);
  ASSERT_TRUE(sut.waitForStdout("post ACTIVATED 0 0\n", 10s)) << sut.stdoutText();
  for (int i = 0; i < 3; ++i)
    ec->tick();
  ASSERT_TRUE(testsupport::waitUntil([&] { return countLines(sut.stdoutText(), "post EXECUTE 0 0") == 3; }, 10s))
    << sut.stdoutText();
  // The listener that threw on the first cycle cost one warning; the next listener still ran.
  EXPECT_EQ(countLines(sut.stdoutText(), "pre EXECUTE 0"), 3u);
  const std::string warnings = sut.stderrText();
  EXPECT_NE(warnings.find("listener failure"), std::string::npos) << warnings;
  EXPECT_EQ(warnings.find("threw"), warnings.rfind("threw")) << warnings;

  // The deactivation no tick would bring is carried out at once.
  EXPECT_EQ(ec->deactivate_component(comp.in()), RTC::RTC_OK);
  EXPECT_EQ(ec->get_component_state(comp.in()), RTC::INACTIVE_STATE);
  ec->tick();
  EXPECT_EQ(countLines(sut.stdoutText(), "post EXECUTE 0 0"), 3u);

  ASSERT_EQ(comp->exit(), RTC::RTC_OK);
  ::kill(sut.pid(), SIGINT);
  ASSERT_TRUE(sut.waitExit(20s));
  const std::string log = fileText(logFile);
  EXPECT_NE(log.find("TickProbe0: initialized with 1 port"), std::string::npos) << log;
  for (const char* line : {"TickProbe0: execute 1", "TickProbe0: execute 2", "TickProbe0: execute 3"})
    EXPECT_NE(log.find(line), std::string::npos) << line << " in\n" << log;
  EXPECT_EQ(log.find("execute 4"), std::string::npos) << log;
  EXPECT_EQ(log.find("never at DEBUG"), std::string::npos) << log;
  std::remove(logFile.c_str());
  ::rmdir(folder);
}
