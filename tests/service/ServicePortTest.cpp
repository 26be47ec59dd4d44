// A consumer component calling a provider component in another process through their service
// ports, joined by rtctl, as a user runs them: the calls reach the provider and return its
// answers; a provider that stops answering, then dies, costs the consumer one failed call each
// time, bounded by its call timeout, and the consumer goes on.
#include "Rtctl.h"

#include "testsupport/ChildProcess.h"
#include "testsupport/NameServer.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace
{
  std::unique_ptr<testsupport::ChildProcess> startCalcHost(const char* role, const testsupport::NameServer& ns,
                                                           const std::vector<std::string>& options = {})
  {
    std::vector<std::string> args = {role,
                                     "-o",
                                     "corba.nameservers:" + ns.address(),
                                     "-o",
                                     "corba.endpoints:127.0.0.1:",
                                     "-o",
                                     "exec_cxt.periodic.rate:50"};
    args.insert(args.end(), options.begin(), options.end());
    auto process =
      std::make_unique<testsupport::ChildProcess>(testsupport::findProgram("tests/service/calc_host"), args);
    EXPECT_TRUE(process->waitForStdout("ready", 20s)) << role << " said: " << process->stderrText();
    return process;
  }

  TEST(ServicePort, ConsumerCallsProviderInAnotherProcessAndOutlivesIt)
  {
    testsupport::NameServer ns;
    const e2e::Rtctl rtctl(ns.address());
    const std::string context = testsupport::hostName() + ".host_cxt/";
    auto provider = startCalcHost("provider", ns);
    auto consumer = startCalcHost("consumer", ns, {"-o", "port.corbaport.call_timeout:0.5"});
    const std::string providerPort = context + "CalcProvider0.rtc:calc";
    const std::string consumerPort = context + "CalcConsumer0.rtc:calc";

    // Listed with what they carry instead of a data type.
    e2e::RtctlResult r = rtctl.run({"cat", providerPort});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("CorbaPort  Calculator.adder(provided)")) << r.out;
    r = rtctl.run({"ls", "-l", context});
    EXPECT_NE(std::string::npos, r.out.find("CalcConsumer0.rtc  calc(CorbaPort)")) << r.out;

    // The two name the interface differently: rtctl says which provider serves the consumer.
    r = rtctl.run({"connect", consumerPort, providerPort});
    ASSERT_EQ(0, r.exitCode) << r.err;
    r = rtctl.run({"activate", context + "CalcConsumer0.rtc"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_TRUE(consumer->waitForStdout("\n3+1=4\n", 20s)) << consumer->stdoutText() << consumer->stderrText();

    // A system file keeps the connection: taken down, the consumer has no provider; brought up
    // again, its calls go through.
    const std::string folder = testsupport::makeTempFolder("service-system-");
    const std::string file = folder + "/system.xml";
    r = rtctl.run({"system", "save", file});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, testsupport::readFile(file).find("rts:ServicePortConnectors")) << r.out;
    r = rtctl.run({"system", "down", file});
    EXPECT_EQ(0, r.exitCode) << r.out << r.err;
    EXPECT_TRUE(consumer->waitForStdout("unconnected", 20s)) << consumer->stdoutText();
    const std::string::size_type downAt = consumer->stdoutText().size();
    r = rtctl.run({"system", "up", file});
    EXPECT_EQ(0, r.exitCode) << r.out << r.err;
    EXPECT_TRUE(
      testsupport::waitUntil([&] { return consumer->stdoutText().find("+1=", downAt) != std::string::npos; }, 20s))
      << consumer->stdoutText();
    std::filesystem::remove_all(folder);

    // rtctl disconnect releases the consumer's reference; connect gives it back.
    const std::string::size_type upAt = consumer->stdoutText().size();
    r = rtctl.run({"disconnect", providerPort, consumerPort});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_TRUE(testsupport::waitUntil(
      [&] { return consumer->stdoutText().find("unconnected", upAt) != std::string::npos; }, 20s))
      << consumer->stdoutText();
    const std::string::size_type disconnectedAt = consumer->stdoutText().size();
    r = rtctl.run({"connect", providerPort, consumerPort});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_TRUE(testsupport::waitUntil(
      [&] { return consumer->stdoutText().find("+1=", disconnectedAt) != std::string::npos; }, 20s))
      << consumer->stdoutText();

    // A provider that stops answering: the call gives up at the consumer's call timeout.
    provider->signal(SIGSTOP);
    EXPECT_TRUE(consumer->waitForStdout("call failed: TIMEOUT", 20s)) << consumer->stdoutText();
    // A provider that is gone: the call fails at once, and the consumer keeps executing.
    provider->signal(SIGKILL);
    EXPECT_TRUE(provider->waitExit(10s));
    EXPECT_TRUE(testsupport::waitUntil(
      [&] {
        const std::string out = consumer->stdoutText();
        return out.find("call failed: TRANSIENT") != std::string::npos ||
               out.find("call failed: COMM_FAILURE") != std::string::npos;
      },
      20s))
      << consumer->stdoutText();
    r = rtctl.run({"ls", "-l", context});
    EXPECT_NE(std::string::npos, r.out.find("Active    CalcConsumer0.rtc")) << r.out << r.err;

    // Listing the consumer's port finds the dead peer and drops the connection, which releases
    // the consumer's reference.
    r = rtctl.run({"cat", consumerPort});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_TRUE(consumer->waitForStdout("unconnected", 20s)) << consumer->stdoutText();
    EXPECT_TRUE(consumer->running());
  }

  TEST(ServicePort, RtctlRefusesTwoServicePortsWhereNothingProvidesWhatIsRequired)
  {
    testsupport::NameServer ns;
    const e2e::Rtctl rtctl(ns.address());
    const std::string context = testsupport::hostName() + ".host_cxt/";
    auto consumer = startCalcHost("consumer", ns);
    auto second = startCalcHost("consumer", ns, {"-o", "naming.formats:%h.host_cxt/Other.rtc"});

    // Two consumers: nothing provides what either requires.
    const e2e::RtctlResult r = rtctl.run({"connect", context + "CalcConsumer0.rtc:calc", context + "Other.rtc:calc"});
    EXPECT_NE(0, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("no interface that")) << r.err;
  }
}
