// What reaches a caller across a servant boundary when the work inside throws: the operation's
// fallback answer, never the exception, and one log line that says which operation and why.
#include "log/ServantBoundary.h"
#include "testsupport/Paths.h"

#include <gtest/gtest.h>
#include <omniORB4/CORBA.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

TEST(ServantBoundaryTest, AnythingThrownResultsInTheFallbackAndALogLineNamingTheOperationAndTheCause)
{
  char folder[] = "/tmp/rtm-boundary-test-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string file = std::string(folder) + "/rtc.log";
  rtm::logger().configure("YES", file, "DEBUG", "");

  const struct
  {
    const char* operation;
    std::function<int()> body;
    const char* line;
  } cases[] = {
    {"get_profile", []() -> int { throw CORBA::BAD_PARAM(); }, "get_profile failed: BAD_PARAM"},
    {"connect", []() -> int { throw std::runtime_error("no room"); }, "connect failed: no room"},
    {"put", []() -> int { throw 42; }, "put failed: an exception of unknown type"},
  };
  const auto fallback = [] { return -1; };
  for (const auto& c : cases)
    EXPECT_EQ(-1, rtm::guarded("port", c.operation, fallback, c.body)) << c.operation;
  EXPECT_EQ(7, rtm::guarded("port", "answered", fallback, [] { return 7; }));
  // A peer that does not answer is an answer too: false, and a line at debug level.
  EXPECT_FALSE(rtm::peerAnswered("port", "notify_disconnect", [] { throw CORBA::TRANSIENT(); }));
  EXPECT_TRUE(rtm::peerAnswered("port", "reached", [] {}));
  rtm::logger().configure("NO", "", "", "");

  const std::string text = testsupport::readFile(file);
  for (const auto& c : cases)
    EXPECT_NE(std::string::npos, text.find(c.line)) << text;
  EXPECT_NE(std::string::npos, text.find("notify_disconnect: no answer (TRANSIENT)")) << text;
  EXPECT_EQ(std::string::npos, text.find("answered")) << text;
  EXPECT_EQ(std::string::npos, text.find("reached")) << text;
  std::remove(file.c_str());
  ::rmdir(folder);
}
