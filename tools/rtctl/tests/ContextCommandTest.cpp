#include "client/Error.h"
#include "commands/ContextCommand.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    // Zero and negative rates reach the context, which is the one to refuse them.
    TEST(ContextCommandRate, NumbersAreRatesInHertz)
    {
      const std::pair<const char*, double> cases[] = {
        {"200", 200.0}, {"0.5", 0.5}, {"1e3", 1000.0}, {"+10", 10.0}, {"0", 0.0}, {"-5", -5.0}, {".25", 0.25},
      };
      for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(c.second, ContextCommand::parseRate(c.first)) << c.first;
    }

    TEST(ContextCommandRate, WordsAndValuesThatAreNotFiniteAreUsageErrors)
    {
      for (const char* text : {"", "abc", "100Hz", "nan", "inf", "-inf", "0x10", "1e999", "1,5", " 5", "e"})
        EXPECT_THROW(ContextCommand::parseRate(text), UsageError) << text;
    }

    TEST(ContextCommandRate, RatesAreShownWithTheDigitsTheyNeed)
    {
      EXPECT_EQ("1000", ContextCommand::rateText(1000.0));
      EXPECT_EQ("0.5", ContextCommand::rateText(0.5));
      EXPECT_EQ("1234567", ContextCommand::rateText(1234567.0));
      EXPECT_EQ("33.3333333333", ContextCommand::rateText(100.0 / 3));
    }
  }
}
