// The component author's logger: which RTC_* statements write at which level, what a line holds,
// and the level names the middleware accepts.
#include <rtm/SystemLogger.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
  struct Line
  {
    int level;
    std::string name;
    std::string text;
  };

  class CapturingBuffer : public RTC::LogStreamBuf
  {
  public:
    void writeLine(int level, const std::string& name, const std::string& text) override
    {
      lines.push_back({level, name, text});
    }
    std::vector<Line> lines;
  };

  // Stands where a component stands: the macros need `rtclog` in scope.
  struct Author
  {
    explicit Author(CapturingBuffer& buffer) : rtclog(&buffer) { rtclog.setName("Comp0"); }
    void all(int n)
    {
      RTC_FATAL(("fatal %d", n));
      RTC_ERROR(("error %d", n));
      RTC_WARN(("warn %d", n));
      RTC_INFO(("info %d", n));
      RTC_DEBUG(("debug %d", n));
      RTC_TRACE(("trace %d", n));
      RTC_VERBOSE(("verbose %d", n));
      RTC_PARANOID_STR("paranoid " << n);
    }
    mutable RTC::Logger rtclog;
  };
}

TEST(SystemLogger, EachLevelLetsThroughItselfAndWhatIsMoreSevere)
{
  struct Case
  {
    const char* level;
    size_t lines;
  };
  const Case cases[] = {{"SILENT", 0},
                        {"FATAL", 1},
                        {"ERROR", 2},
                        {"WARN", 3},
                        {"INFO", 4},
                        {"DEBUG", 5},
                        {"TRACE", 6},
                        {"VERBOSE", 7},
                        {"PARANOID", 8},
                        // Only the exact names: anything else silences the logger.
                        {"debug", 0},
                        {"NORMAL", 0},
                        {"", 0}};
  for (const Case& c : cases)
  {
    CapturingBuffer buffer;
    Author sut(buffer);
    sut.rtclog.setLevel(c.level);
    sut.all(7);
    EXPECT_EQ(buffer.lines.size(), c.lines) << c.level;
    if (c.lines > 0)
    {
      EXPECT_EQ(buffer.lines.back().level, static_cast<int>(c.lines));
      EXPECT_EQ(buffer.lines.back().name, "Comp0");
      EXPECT_EQ(buffer.lines.front().text, "fatal 7");
    }
  }
}

TEST(SystemLogger, StreamStatementsMakeOneLineEachAndFormattingIsBoundedNotOverrun)
{
  CapturingBuffer buffer;
  Author sut(buffer);
  sut.rtclog.setLevel("PARANOID");
  const std::string longText(3000, 'x');
  RTC::Logger& rtclog = sut.rtclog;
  RTC_INFO(("%s", longText.c_str()));
  RTC_DEBUG_STR("a=" << 1 << " b=" << 2.5);
  ASSERT_EQ(buffer.lines.size(), 2u);
  EXPECT_EQ(buffer.lines[0].text.size(), 1023u);
  EXPECT_EQ(buffer.lines[1].text, "a=1 b=2.5");
  EXPECT_EQ(buffer.lines[1].level, RTC::Logger::RTL_DEBUG);
}

TEST(SystemLogger, LevelNamesMapToTheirNumbersAndOutOfRangeLevelsAreRefused)
{
  const char* names[] = {"SILENT", "FATAL", "ERROR", "WARN", "INFO", "DEBUG", "TRACE", "VERBOSE", "PARANOID"};
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(RTC::Logger::strToLevel(names[i]), i) << names[i];
  EXPECT_EQ(RTC::Logger::strToLevel(nullptr), RTC::Logger::RTL_SILENT);
  RTC::Logger sut(static_cast<RTC::LogStreamBuf*>(nullptr));
  EXPECT_TRUE(sut.setLevel(RTC::Logger::RTL_TRACE));
  EXPECT_FALSE(sut.setLevel(9));
  EXPECT_EQ(sut.getLevel(), RTC::Logger::RTL_TRACE);
  // Without a buffer a line goes nowhere and costs nothing.
  sut.level(RTC::Logger::RTL_INFO) << "dropped" << std::endl;
}
