#include "testsupport/ChildProcess.h"
#include "testsupport/NamingClient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::NamingClient;
using testsupport::testOrb;

namespace
{

  // The script lives in the source tree, which the build hands us only through this file's path.
  std::string scriptPath()
  {
    return (std::filesystem::path(__FILE__).parent_path() / "../../../scripts/nameserver").lexically_normal().string();
  }

}  // namespace

TEST(NameServerScript, StartPrintsServiceThatAnswersAndStopRemovesIt)
{
  ChildProcess start(scriptPath(), {"start"});
  ASSERT_TRUE(start.waitExit(30s));
  ASSERT_EQ(start.exitCode(), 0) << start.stderrText();
  std::istringstream line(start.stdoutText());
  int port = 0;
  pid_t pid = 0;
  std::string dataDir;
  ASSERT_TRUE(line >> port >> pid >> dataDir) << start.stdoutText();
  NamingClient client(testOrb(), "corbaloc::127.0.0.1:" + std::to_string(port) + "/NameService");
  EXPECT_TRUE(client.reachable());

  ChildProcess stop(scriptPath(), {"stop", std::to_string(pid), dataDir});
  ASSERT_TRUE(stop.waitExit(30s));

  EXPECT_EQ(stop.exitCode(), 0) << stop.stderrText();
  EXPECT_FALSE(client.reachable());
  EXPECT_FALSE(std::filesystem::exists(dataDir));
}

TEST(NameServerScript, StopRefusesFolderItDidNotCreate)
{
  const auto foreign = std::filesystem::temp_directory_path() / "nameserver-script-test-foreign";
  std::filesystem::create_directories(foreign);

  ChildProcess sut(scriptPath(), {"stop", "1", foreign.string()});
  ASSERT_TRUE(sut.waitExit(30s));

  EXPECT_NE(sut.exitCode(), 0);
  EXPECT_NE(sut.stderrText().find("not touching it"), std::string::npos) << sut.stderrText();
  EXPECT_TRUE(std::filesystem::exists(foreign));
  std::filesystem::remove_all(foreign);
}
