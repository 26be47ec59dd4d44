// The manager as users meet it: a real component host process, a private omniNames, and the
// component driven over CORBA as the middleware's tools drive it.
#include "testsupport/ChildProcess.h"
#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <rtm/idl/OpenRTM.hh>
#include <rtm/idl/RTC.hh>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <string>

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::NameServer;
using testsupport::NamingClient;

namespace
{
  std::string probeHost() { return testsupport::findProgram("testprograms/probe_host"); }

  std::vector<std::string> hostArgs(const std::string& nameservers, std::vector<std::string> extra = {})
  {
    std::vector<std::string> args = {"-o", "corba.nameservers:" + nameservers, "-o", "corba.endpoints:127.0.0.1:",
                                     "-o", "exec_cxt.periodic.rate:50",        "-o", "naming.update.interval:0.5"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }

  std::string probePath() { return testsupport::hostName() + ".host_cxt/Probe0.rtc"; }

  size_t count(const std::string& text, const std::string& line)
  {
    size_t n = 0;
    for (size_t pos = text.find(line + "\n"); pos != std::string::npos; pos = text.find(line + "\n", pos + 1))
      if (pos == 0 || text[pos - 1] == '\n')
        ++n;
    return n;
  }

  class ManagerProcess : public ::testing::Test
  {
  protected:
    void start(const std::map<std::string, std::string>& env = {}, std::vector<std::string> extra = {})
    {
      sut = std::make_unique<ChildProcess>(probeHost(), hostArgs(ns.address(), extra), env);
      ASSERT_TRUE(testsupport::waitUntil([&] { return naming.isBound(probePath()); }, 10s)) << sut->stderrText();
      CORBA::Object_var obj = naming.resolve(probePath());
      comp = RTC::RTObject::_narrow(obj.in());
      ASSERT_FALSE(CORBA::is_nil(comp));
      RTC::ExecutionContextList_var ecs = comp->get_owned_contexts();
      ASSERT_EQ(ecs->length(), 1u);
      ec = RTC::ExecutionContext::_duplicate(ecs[0u]);
    }

    RTC::LifeCycleState state() { return ec->get_component_state(comp.in()); }

    NameServer ns;
    NamingClient naming{testsupport::testOrb(), ns.corbaloc()};
    std::unique_ptr<ChildProcess> sut;
    RTC::RTObject_var comp;
    RTC::ExecutionContext_var ec;
  };
}

TEST_F(ManagerProcess, ComponentIsFoundUnderTheNamingPathWithItsWholeProfile)
{
  start();
  EXPECT_TRUE(comp->_is_a("IDL:openrtm.aist.go.jp/OpenRTM/DataFlowComponent:1.0"));
  RTC::ComponentProfile_var profile = comp->get_component_profile();
  EXPECT_STREQ(profile->instance_name, "Probe0");
  EXPECT_STREQ(profile->type_name, "Probe");
  EXPECT_STREQ(profile->description, "Lifecycle probe");
  EXPECT_STREQ(profile->version, "2.0.1");
  EXPECT_STREQ(profile->vendor, "TestVendor");
  EXPECT_STREQ(profile->category, "Test");

  std::map<std::string, std::string> props;
  for (CORBA::ULong i = 0; i < profile->properties.length(); ++i)
  {
    const char* value = nullptr;
    ASSERT_TRUE(profile->properties[i].value >>= value) << profile->properties[i].name;
    props[static_cast<const char*>(profile->properties[i].name)] = value;
  }
  // A profile table keeps its hand layout.
  // clang-format off
  const std::map<std::string, std::string> registered = {
    {"implementation_id", "Probe"}, {"type_name", "Probe"}, {"description", "Lifecycle probe"},
    {"version", "2.0.1"}, {"vendor", "TestVendor"}, {"category", "Test"},
    {"activity_type", "PERIODIC"}, {"kind", "DataFlowComponent"}, {"max_instance", "3"},
    {"language", "C++"}, {"lang_type", "compile"}};
  // clang-format on
  for (const auto& [key, value] : registered)
    EXPECT_EQ(props[key], value) << key;
  EXPECT_EQ(props["instance_name"], "Probe0");
  EXPECT_EQ(props["naming.names"], probePath());

  RTC::ExecutionContextService_var ecs = RTC::ExecutionContextService::_narrow(ec.in());
  ASSERT_FALSE(CORBA::is_nil(ecs));
  RTC::ExecutionContextProfile_var ecProfile = ecs->get_profile();
  EXPECT_EQ(ecProfile->kind, RTC::PERIODIC);
  EXPECT_DOUBLE_EQ(ecProfile->rate, 50.0);
  EXPECT_TRUE(ecProfile->owner->_is_equivalent(comp.in()));
  EXPECT_TRUE(comp->is_alive(ec.in()));
  EXPECT_EQ(comp->get_context_handle(ec.in()), 0);
  EXPECT_EQ(sut->stderrText(), "");
}

TEST_F(ManagerProcess, ActivateDeactivateAndResetThroughTheExecutionContext)
{
  start({{"PROBE_FAIL_EXECUTE", "1"}});
  EXPECT_EQ(state(), RTC::INACTIVE_STATE);
  ASSERT_EQ(ec->activate_component(comp.in()), RTC::RTC_OK);
  // The failing first onExecute takes it to ERROR, where onError runs every period.
  ASSERT_TRUE(testsupport::waitUntil([&] { return count(sut->stdoutText(), "error") >= 3; }, 10s));
  EXPECT_EQ(state(), RTC::ERROR_STATE);
  const std::string out = sut->stdoutText();
  EXPECT_LT(out.find("activated\nexecute\ndeactivated\naborting\nerror\n"), std::string::npos) << out;
  EXPECT_EQ(ec->activate_component(comp.in()), RTC::PRECONDITION_NOT_MET);
  EXPECT_EQ(ec->deactivate_component(comp.in()), RTC::PRECONDITION_NOT_MET);

  ASSERT_EQ(ec->reset_component(comp.in()), RTC::RTC_OK);
  ASSERT_TRUE(testsupport::waitUntil([&] { return state() == RTC::INACTIVE_STATE; }, 10s));
  // The program's output reaches us through a pipe, after the state: its last lines may still be on
  // their way. "reset" comes after the last "error", so once it is here the count is whole.
  ASSERT_TRUE(testsupport::waitUntil([&] { return count(sut->stdoutText(), "reset") >= 1; }, 10s));
  EXPECT_EQ(count(sut->stdoutText(), "reset"), 1u);
  const size_t errorsAfterReset = count(sut->stdoutText(), "error");
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(count(sut->stdoutText(), "error"), errorsAfterReset) << "onError ran after the reset";

  ASSERT_EQ(ec->activate_component(comp.in()), RTC::RTC_OK);
  ASSERT_TRUE(testsupport::waitUntil([&] { return state() == RTC::ACTIVE_STATE; }, 10s));
  ASSERT_EQ(ec->deactivate_component(comp.in()), RTC::RTC_OK);
  EXPECT_EQ(state(), RTC::INACTIVE_STATE);
  // Likewise, the second "deactivated" follows the last "execute".
  ASSERT_TRUE(testsupport::waitUntil([&] { return count(sut->stdoutText(), "deactivated") >= 2; }, 10s));
  const size_t executes = count(sut->stdoutText(), "execute");
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(count(sut->stdoutText(), "execute"), executes) << "onExecute ran while inactive";
}

TEST_F(ManagerProcess, OnExecuteRunsWhileActiveOnly)
{
  start();
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(count(sut->stdoutText(), "execute"), 0u);
  ASSERT_EQ(ec->activate_component(comp.in()), RTC::RTC_OK);
  ASSERT_TRUE(testsupport::waitUntil([&] { return count(sut->stdoutText(), "execute") >= 10; }, 10s));
  ASSERT_EQ(ec->deactivate_component(comp.in()), RTC::RTC_OK);
}

TEST_F(ManagerProcess, InterruptAndTerminateSignalsUnbindAndExitCleanly)
{
  for (int sig : {SIGINT, SIGTERM})
  {
    start();
    ASSERT_EQ(ec->activate_component(comp.in()), RTC::RTC_OK);
    ASSERT_TRUE(sut->waitForStdout("execute\n", 10s));
    sut->signal(sig);
    ASSERT_TRUE(sut->waitExit(15s)) << "signal " << sig;
    EXPECT_TRUE(sut->exitedNormally());
    EXPECT_EQ(sut->exitCode(), 0);
    EXPECT_FALSE(naming.isBound(probePath()));
    const std::string out = sut->stdoutText();
    EXPECT_LT(out.find("deactivated\n"), out.find("finalize\n")) << out;
    EXPECT_LT(out.find("finalize\n"), out.find("manager returned\n")) << out;
    EXPECT_EQ(sut->stderrText(), "");
  }
}

TEST_F(ManagerProcess, ExitOverCorbaEndsTheProcessAndUnbindsTheName)
{
  start();
  EXPECT_EQ(comp->exit(), RTC::RTC_OK);
  ASSERT_TRUE(sut->waitExit(15s));
  EXPECT_EQ(sut->exitCode(), 0);
  EXPECT_FALSE(naming.isBound(probePath()));
}

TEST_F(ManagerProcess, UnreachableNamingServiceCostsOneWarningAndIsJoinedWhenItComesUp)
{
  ns.stop();
  sut = std::make_unique<ChildProcess>(probeHost(), hostArgs(ns.address()));
  ASSERT_TRUE(sut->waitForStdout("created\n", 15s)) << sut->stderrText();
  ASSERT_TRUE(testsupport::waitUntil([&] { return !sut->stderrText().empty(); }, 5s));
  std::this_thread::sleep_for(1500ms);  // several retry periods
  const std::string err = sut->stderrText();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find(ns.address()), std::string::npos) << err;
  EXPECT_TRUE(sut->running());

  ns.restart(false);
  EXPECT_TRUE(testsupport::waitUntil([&] { return naming.isBound(probePath()); }, 10s));
}

// A program that leaves without shutting its manager down: the worker finishes deleting the
// component exited just before, and stops, before the process's static objects go; from main
// every component is finalized, deleted and unbound as in a shutdown. From any thread the
// process ends with its own status and never hangs. Repeated, as the fault was a race.
TEST(ManagerExit, LeavingWithoutAShutdownStopsTheWorkerFirstFromAnyThread)
{
  NameServer ns;
  NamingClient naming{testsupport::testOrb(), ns.corbaloc()};
  const std::string host = testsupport::hostName() + ".host_cxt/";
  const std::vector<std::string> exitedOnly = {"finalize ExitProbe1", "deleted ExitProbe1"};
  struct Case
  {
    std::string mode;
    std::vector<std::string> lines;  // each once on standard output
    std::vector<std::string> unbound;
  };
  const std::vector<Case> cases = {
    {"return",
     {"finalize ExitProbe0", "deleted ExitProbe0", "finalize ExitProbe1", "deleted ExitProbe1"},
     {"ExitProbe0", "ExitProbe1"}},
    // The other threads may be ones a shutdown waits for: the running component stays as it is.
    {"thread", exitedOnly, {"ExitProbe1"}},
    {"execute", exitedOnly, {"ExitProbe1"}},
    // The worker cannot stop itself: what it was doing ends there, and the exit goes through.
    {"worker", exitedOnly, {"ExitProbe1"}},
  };
  for (const Case& c : cases)
  {
    for (int run = 0; run < 4; ++run)
    {
      ChildProcess sut(testsupport::findProgram("testprograms/exit_host"), hostArgs(ns.address()),
                       {{"EXIT_HOST_MODE", c.mode}});
      ASSERT_TRUE(sut.waitForStdout("ready\n", 15s)) << c.mode << ": " << sut.stderrText();
      ASSERT_TRUE(naming.isBound(host + "ExitProbe1.rtc")) << c.mode;
      sut.writeStdin("go\n");
      ASSERT_TRUE(sut.waitExit(20s)) << c.mode << " run " << run << " hangs";
      EXPECT_TRUE(sut.exitedNormally()) << c.mode << " run " << run << " status " << sut.exitStatus();
      EXPECT_EQ(sut.exitCode(), 0) << c.mode << " run " << run;
      EXPECT_EQ(sut.stderrText(), "") << c.mode;
      const std::string out = sut.stdoutText();
      for (const std::string& line : c.lines)
        EXPECT_EQ(count(out, line), 1u) << c.mode << " run " << run << ": " << line << " in\n" << out;
      for (const std::string& name : c.unbound)
        EXPECT_FALSE(naming.isBound(host + name + ".rtc")) << c.mode << ": " << name;
      if (HasFailure())
        return;
    }
  }
}

TEST(ManagerCommandLine, BadInputIsOneClearLineAndANonZeroExitBeforeAnythingStarts)
{
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
    {{"-x"}, "unknown option '-x'"},
    {{"-f", "/nonexistent/rtc.conf"}, "/nonexistent/rtc.conf"},
    {{"-o", "novalue"}, "novalue"},
    {{"-o", "naming.formats:%h.host_cxt/../%n.rtc"}, "naming.formats: '%h.host_cxt/../%n.rtc' expands to"},
    {{"-o", "manager.naming_formats:/%n.mgr"}, "manager.naming_formats"},
    {{"-o", "Category.Probe.instance_name:../up"}, "Category.Probe.instance_name: instance name '../up'"},
  };
  for (const auto& [args, named] : cases)
  {
    ChildProcess sut(probeHost(), args);
    ASSERT_TRUE(sut.waitExit(10s));
    EXPECT_TRUE(sut.exitedNormally());
    EXPECT_NE(sut.exitCode(), 0) << named;
    const std::string err = sut.stderrText();
    EXPECT_NE(err.substr(0, err.find('\n')).find(named), std::string::npos) << err;
    // The one line, then where the usage is: not the usage itself.
    EXPECT_EQ(err.substr(err.find('\n') + 1), "see probe_host --help\n") << err;
    EXPECT_EQ(sut.stdoutText(), "") << "started anyway: " << named;
  }
}

TEST(ManagerCommandLine, HelpPrintsTheUsageAndExitsZero)
{
  ChildProcess sut(probeHost(), {"--help"});
  ASSERT_TRUE(sut.waitExit(10s));
  EXPECT_EQ(sut.exitCode(), 0);
  EXPECT_NE(sut.stdoutText().find("-o"), std::string::npos);
  // Accepted for the middleware's tools, but nothing a user should be offered.
  EXPECT_EQ(sut.stdoutText().find("-l"), std::string::npos) << sut.stdoutText();
  EXPECT_EQ(sut.stdoutText().find("created"), std::string::npos);
}
