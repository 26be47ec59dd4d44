#include "log/Logger.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
  // Each test gets a fresh folder, so "no file created" can be checked by listing nothing.
  class LoggerTest : public ::testing::Test
  {
  protected:
    void SetUp() override
    {
      char pattern[] = "/tmp/rtm-log-test-XXXXXX";
      ASSERT_NE(::mkdtemp(pattern), nullptr);
      dir_ = pattern;
    }

    void TearDown() override
    {
      for (const std::string& file : created_)
      {
        std::remove(file.c_str());
      }
      ::rmdir(dir_.c_str());
    }

    std::string path(const std::string& name)
    {
      created_.push_back(dir_ + "/" + name);
      return created_.back();
    }

    static bool exists(const std::string& file) { return ::access(file.c_str(), F_OK) == 0; }

    static std::vector<std::string> lines(const std::string& file)
    {
      std::ifstream in(file);
      std::vector<std::string> out;
      for (std::string line; std::getline(in, line);)
      {
        out.push_back(line);
      }
      return out;
    }

    std::string dir_;
    std::vector<std::string> created_;
  };

  TEST_F(LoggerTest, EnableOtherThanYesResultsInNoFileAndNothingEnabled)
  {
    const std::string file = path("off.log");
    for (const char* enable : {"NO", "", "off", "true"})
    {
      rtm::Logger sut;
      sut.configure(enable, file, "PARANOID", "");
      sut.write(rtm::LogLevel::Fatal, "who", "dropped");
      EXPECT_FALSE(sut.enabled(rtm::LogLevel::Fatal)) << enable;
    }
    EXPECT_FALSE(exists(file));
  }

  TEST_F(LoggerTest, ProcessWideLoggerIsOffUntilConfigured)
  {
    EXPECT_FALSE(rtm::logger().enabled(rtm::LogLevel::Fatal));
    bool evaluated = false;
    RTM_LOG_ERROR("test", (evaluated = true));
    EXPECT_FALSE(evaluated);
  }

  TEST_F(LoggerTest, MacrosResultInTheStreamExpressionOnlyAtEnabledLevels)
  {
    const std::string file = path("macro.log");
    rtm::logger().configure("YES", file, "INFO", "");
    bool debugEvaluated = false;
    RTM_LOG_DEBUG("manager", (debugEvaluated = true));
    RTM_LOG_INFO("manager", "created "
                              << "Trimul" << 0);
    rtm::logger().configure("NO", "", "", "");
    EXPECT_FALSE(debugEvaluated);
    const auto written = lines(file);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_NE(written[0].find(" INFO: manager: created Trimul0"), std::string::npos) << written[0];
  }

  TEST_F(LoggerTest, ConcurrentWritersResultInWholeLines)
  {
    const std::string file = path("threads.log");
    const std::string message(200, 'x');
    rtm::Logger sut;
    sut.configure("YES", file, "INFO", "");
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
    {
      writers.emplace_back([&] {
        for (int i = 0; i < 200; ++i)
        {
          sut.write(rtm::LogLevel::Info, "who", message);
        }
      });
    }
    for (auto& writer : writers)
    {
      writer.join();
    }
    const auto written = lines(file);
    ASSERT_EQ(written.size(), 800u);
    for (const auto& line : written)
    {
      ASSERT_NE(line.find(" INFO: who: " + message), std::string::npos) << line;
      ASSERT_EQ(line.size(), line.find(" INFO: ") + 12 + message.size()) << line;
    }
  }

  TEST_F(LoggerTest, EnableIsReadAsTheMiddlewaresBooleanResultsInOnForAnyYes)
  {
    const std::string file = path("yes.log");
    rtm::Logger sut;
    sut.configure(" yes please", file, "INFO", "");
    sut.write(rtm::LogLevel::Info, "who", "kept");
    EXPECT_EQ(lines(file).size(), 1u);
  }

  TEST_F(LoggerTest, LevelThresholdResultsInOnlyThatLevelAndMoreSevereWritten)
  {
    const std::string file = path("levels.log");
    rtm::Logger sut;
    sut.configure("YES", file, "warn", "");
    for (auto level : {rtm::LogLevel::Fatal, rtm::LogLevel::Error, rtm::LogLevel::Warn, rtm::LogLevel::Info,
                       rtm::LogLevel::Debug, rtm::LogLevel::Paranoid})
    {
      sut.write(level, "who", rtm::Logger::levelName(level));
    }
    const auto written = lines(file);
    ASSERT_EQ(written.size(), 3u);
    EXPECT_NE(written[0].find(" FATAL: who: FATAL"), std::string::npos) << written[0];
    EXPECT_NE(written[1].find(" ERROR: who: ERROR"), std::string::npos) << written[1];
    EXPECT_NE(written[2].find(" WARN: who: WARN"), std::string::npos) << written[2];
    EXPECT_FALSE(sut.enabled(rtm::LogLevel::Info));
  }

  TEST_F(LoggerTest, LevelNamesResultInTheirLevelsWithUnknownAsInfo)
  {
    EXPECT_EQ(rtm::Logger::levelFromName("NORMAL"), rtm::LogLevel::Info);
    EXPECT_EQ(rtm::Logger::levelFromName("Trace"), rtm::LogLevel::Trace);
    EXPECT_EQ(rtm::Logger::levelFromName("SILENT"), rtm::LogLevel::Silent);
    EXPECT_EQ(rtm::Logger::levelFromName("LOUD"), rtm::LogLevel::Info);
    EXPECT_EQ(rtm::Logger::levelFromName(""), rtm::LogLevel::Info);
  }

  TEST_F(LoggerTest, SilentLevelResultsInNothingWrittenAndNoFile)
  {
    const std::string file = path("silent.log");
    rtm::Logger sut;
    sut.configure("YES", file, "SILENT", "");
    sut.write(rtm::LogLevel::Fatal, "who", "dropped");
    EXPECT_FALSE(exists(file));
  }

  TEST_F(LoggerTest, PercentPInFileNameResultsInThePid)
  {
    const std::string expected = path("rtc" + std::to_string(::getpid()) + ".log");
    rtm::Logger sut;
    sut.configure("YES", dir_ + "/rtc%p.log", "INFO", "");
    sut.write(rtm::LogLevel::Info, "manager", "started");
    EXPECT_EQ(lines(expected).size(), 1u);
  }

  TEST_F(LoggerTest, FileListResultsInEveryTargetGettingTheLineOnce)
  {
    const std::string first = path("a.log");
    const std::string second = path("b.log");
    rtm::Logger sut;
    sut.configure("YES", " " + first + " ,, " + second + "," + first, "INFO", "");
    sut.write(rtm::LogLevel::Info, "who", "both");
    EXPECT_EQ(lines(first).size(), 1u);
    EXPECT_EQ(lines(second).size(), 1u);
  }

  TEST_F(LoggerTest, LineResultsInDateLevelWhoAndMessageWithMilliseconds)
  {
    const std::string file = path("format.log");
    rtm::Logger sut;
    sut.configure("YES", file, "DEBUG", "[%Y|%Q|%%Q]");
    sut.write(rtm::LogLevel::Debug, "manager", "created Trimul0");
    const auto written = lines(file);
    ASSERT_EQ(written.size(), 1u);
    // "[2024|123|%Q] DEBUG: manager: created Trimul0"
    const std::string& line = written[0];
    ASSERT_GE(line.size(), 15u);
    EXPECT_EQ(line[0], '[');
    EXPECT_EQ(line.substr(5, 1), "|");
    EXPECT_EQ(line.find_first_not_of("0123456789", 6), 9u) << line;
    EXPECT_EQ(line.substr(9), "|%Q] DEBUG: manager: created Trimul0");
  }

  TEST_F(LoggerTest, StderrTargetResultsInLinesOnStandardError)
  {
    rtm::Logger sut;
    ::testing::internal::CaptureStderr();
    sut.configure("YES", "stderr", "INFO", "");
    sut.write(rtm::LogLevel::Info, "who", "to the terminal");
    sut.configure("NO", "", "", "");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(" INFO: who: to the terminal\n"), std::string::npos) << err;
  }

  TEST_F(LoggerTest, UnopenableFileResultsInOneStderrLineAndOtherTargetsStillWork)
  {
    const std::string good = path("good.log");
    const std::string bad = dir_ + "/missing-folder/x.log";
    rtm::Logger sut;
    ::testing::internal::CaptureStderr();
    sut.configure("YES", bad + "," + good, "INFO", "");
    sut.write(rtm::LogLevel::Info, "who", "still logged");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(bad), std::string::npos) << err;
    EXPECT_EQ(lines(good).size(), 1u);
  }

  TEST_F(LoggerTest, OnlyUnopenableFileResultsInLoggingOff)
  {
    rtm::Logger sut;
    ::testing::internal::CaptureStderr();
    sut.configure("YES", dir_ + "/missing-folder/x.log", "INFO", "");
    ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(sut.enabled(rtm::LogLevel::Fatal));
  }

  TEST_F(LoggerTest, ReconfiguringOffResultsInNoFurtherLines)
  {
    const std::string file = path("reconfigured.log");
    rtm::Logger sut;
    sut.configure("YES", file, "INFO", "");
    sut.write(rtm::LogLevel::Info, "who", "first");
    sut.configure("NO", file, "INFO", "");
    sut.write(rtm::LogLevel::Info, "who", "second");
    EXPECT_EQ(lines(file).size(), 1u);
  }
}  // namespace
