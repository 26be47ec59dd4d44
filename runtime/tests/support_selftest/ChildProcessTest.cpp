#include "testsupport/ChildProcess.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

using namespace std::chrono_literals;
using testsupport::ChildProcess;

namespace
{
  constexpr auto kBound = 10s;  // generous: a loaded CI machine must not fail these
}

TEST(ChildProcess, OutputOfEachStreamAndExitCodeAreCaptured)
{
  ChildProcess sut("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"});

  ASSERT_TRUE(sut.waitExit(kBound));

  EXPECT_EQ(sut.stdoutText(), "out\n");
  EXPECT_EQ(sut.stderrText(), "err\n");
  EXPECT_TRUE(sut.exitedNormally());
  EXPECT_EQ(sut.exitCode(), 3);
  EXPECT_FALSE(sut.running());
}

TEST(ChildProcess, ExtraEnvironmentReachesChildAlongsideInheritedOne)
{
  ChildProcess sut("sh", {"-c", "echo \"$TRIMUL_TEST_VAR:${PATH:+path}\""}, {{"TRIMUL_TEST_VAR", "value"}});

  ASSERT_TRUE(sut.waitExit(kBound));

  EXPECT_EQ(sut.stdoutText(), "value:path\n");
}

TEST(ChildProcess, SignalEndsChildAndIsReportedAsCause)
{
  ChildProcess sut("sleep", {"60"});

  sut.signal(SIGTERM);

  ASSERT_TRUE(sut.waitExit(kBound));
  EXPECT_TRUE(sut.killedBySignal(SIGTERM));
  EXPECT_FALSE(sut.exitedNormally());
  EXPECT_EQ(sut.exitCode(), -1);
}

TEST(ChildProcess, SigintReachesChildEvenWhenTestProgramIgnoresIt)
{
  struct sigaction ignore
  {};
  struct sigaction previous
  {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGINT, &ignore, &previous);
  ChildProcess sut("sleep", {"60"});
  ::sigaction(SIGINT, &previous, nullptr);

  sut.signal(SIGINT);

  ASSERT_TRUE(sut.waitExit(kBound));
  EXPECT_TRUE(sut.killedBySignal(SIGINT));
}

TEST(ChildProcess, RunningChildIsNotReportedAsExited)
{
  ChildProcess sut("sleep", {"60"});

  EXPECT_FALSE(sut.waitExit(20ms));

  EXPECT_TRUE(sut.running());
  EXPECT_EQ(sut.exitStatus(), -1);
  EXPECT_EQ(sut.exitCode(), -1);
}

TEST(ChildProcess, StdinIsForwardedAndClosingItEndsTheInput)
{
  ChildProcess sut("cat");

  ASSERT_TRUE(sut.writeStdin("hello\n"));
  EXPECT_TRUE(sut.waitForStdout("hello", kBound));
  sut.closeStdin();

  ASSERT_TRUE(sut.waitExit(kBound));
  EXPECT_EQ(sut.exitCode(), 0);
}

TEST(ChildProcess, WritingToExitedChildFailsWithoutKillingTestProgram)
{
  ChildProcess sut("/bin/sh", {"-c", "exec 0<&-; exit 0"});
  ASSERT_TRUE(sut.waitExit(kBound));

  EXPECT_FALSE(sut.writeStdin("nobody reads this\n"));
}

TEST(ChildProcess, WaitingForTextThatNeverComesEndsWithTheStream)
{
  ChildProcess sut("/bin/sh", {"-c", "echo something else; echo more >&2"});

  EXPECT_FALSE(sut.waitForStdout("ready", kBound));
  EXPECT_TRUE(sut.waitForStderr("more", kBound));
}

TEST(ChildProcess, DescriptorsOfTestProgramDoNotLeakIntoChild)
{
  const int inherited = ::open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
  ASSERT_GE(inherited, 3);
  const std::string probe = "/proc/self/fd/" + std::to_string(inherited);

  ChildProcess sut("/bin/sh", {"-c", "if [ -e " + probe + " ]; then echo leaked; else echo clean; fi"});
  ::close(inherited);

  ASSERT_TRUE(sut.waitExit(kBound));
  EXPECT_EQ(sut.stdoutText(), "clean\n");
}

TEST(ChildProcess, DestructionKillsAndReapsRunningChild)
{
  pid_t pid = 0;
  {
    ChildProcess sut("sleep", {"60"});
    pid = sut.pid();
  }

  EXPECT_EQ(::kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH);
}

TEST(ChildProcess, ProgramThatCannotBeExecutedIsReportedAtStart)
{
  EXPECT_THROW(ChildProcess("/nonexistent/program"), std::runtime_error);
  EXPECT_THROW(ChildProcess("/etc/hostname"), std::runtime_error);  // not executable
}

TEST(Paths, MissingProgramIsReportedWithItsPath)
{
  try
  {
    testsupport::findProgram("no/such/program");
    FAIL() << "expected an exception";
  }
  catch (const std::runtime_error& error)
  {
    EXPECT_NE(std::string(error.what()).find(testsupport::binaryDir() + "/no/such/program"), std::string::npos);
  }
}

TEST(Wait, ConditionMetDuringWaitIsReportedAndTimeoutIsNot)
{
  int calls = 0;
  EXPECT_TRUE(testsupport::waitUntil([&] { return ++calls == 3; }, kBound, 1ms));
  EXPECT_FALSE(testsupport::waitUntil([] { return false; }, 20ms));
}
