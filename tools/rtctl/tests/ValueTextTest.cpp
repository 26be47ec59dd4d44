#include "client/ValueText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace rtctl
{
  namespace
  {
    const std::int64_t kMin32 = std::numeric_limits<std::int32_t>::min();
    const std::int64_t kMax32 = std::numeric_limits<std::int32_t>::max();

    TEST(ValueTextSigned, BoundsOfTheTypeAreAcceptedAndOneBeyondRefused)
    {
      std::int64_t v = 0;
      EXPECT_TRUE(ValueText::parseSigned("2147483647", kMin32, kMax32, v));
      EXPECT_EQ(kMax32, v);
      EXPECT_TRUE(ValueText::parseSigned("-2147483648", kMin32, kMax32, v));
      EXPECT_EQ(kMin32, v);
      EXPECT_FALSE(ValueText::parseSigned("2147483648", kMin32, kMax32, v));
      EXPECT_FALSE(ValueText::parseSigned("-2147483649", kMin32, kMax32, v));
      EXPECT_FALSE(ValueText::parseSigned("99999999999999999999999", kMin32, kMax32, v));
    }

    TEST(ValueTextSigned, OnlyPlainDecimalIsANumber)
    {
      std::int64_t v = 0;
      EXPECT_TRUE(ValueText::parseSigned(" +7 ", kMin32, kMax32, v));
      EXPECT_EQ(7, v);
      for (const char* bad : {"", "abc", "7x", "0x10", "1.5", "1e3", "--1", "+-1", "-", "+", "7 8"})
        EXPECT_FALSE(ValueText::parseSigned(bad, kMin32, kMax32, v)) << bad;
    }

    TEST(ValueTextUnsigned, NegativeValuesAreRefused)
    {
      std::uint64_t v = 0;
      EXPECT_FALSE(ValueText::parseUnsigned("-1", 65535, v));
      EXPECT_FALSE(ValueText::parseUnsigned("65536", 65535, v));
      EXPECT_TRUE(ValueText::parseUnsigned("65535", 65535, v));
      EXPECT_EQ(65535u, v);
    }

    TEST(ValueTextReal, OverflowIsRefusedNotTurnedIntoInfinity)
    {
      double d = 0;
      float f = 0;
      EXPECT_FALSE(ValueText::parseDouble("1e400", d));
      EXPECT_FALSE(ValueText::parseFloat("1e39", f));
      EXPECT_TRUE(ValueText::parseFloat("3.4e38", f));
      EXPECT_TRUE(ValueText::parseDouble("-inf", d));
      EXPECT_TRUE(std::isinf(d));
      EXPECT_TRUE(ValueText::parseDouble("nan", d));
      EXPECT_TRUE(std::isnan(d));
      for (const char* bad : {"", "abc", "0x1p3", "1.5.2", "1,5"})
        EXPECT_FALSE(ValueText::parseDouble(bad, d)) << bad;
    }

    TEST(ValueTextReal, FormattedValuesReadBackExactly)
    {
      for (double x : {0.1, -2.5, 1e-300, 123456789.123456789})
      {
        double back = 0;
        ASSERT_TRUE(ValueText::parseDouble(ValueText::formatDouble(x), back));
        EXPECT_EQ(x, back);
      }
      float back = 0;
      ASSERT_TRUE(ValueText::parseFloat(ValueText::formatFloat(0.1f), back));
      EXPECT_EQ(0.1f, back);
      EXPECT_EQ("0.1", ValueText::formatFloat(0.1f));
    }

    TEST(ValueTextOthers, BooleansCharsAndTheirText)
    {
      bool b = false;
      EXPECT_TRUE(ValueText::parseBoolean("TRUE", b));
      EXPECT_TRUE(b);
      EXPECT_TRUE(ValueText::parseBoolean("0", b));
      EXPECT_FALSE(b);
      EXPECT_FALSE(ValueText::parseBoolean("maybe", b));
      char c = 0;
      EXPECT_TRUE(ValueText::parseChar("a", c));
      EXPECT_EQ('a', c);
      EXPECT_FALSE(ValueText::parseChar("ab", c));
      EXPECT_FALSE(ValueText::parseChar("", c));
      EXPECT_EQ("\\x0a", ValueText::formatChar('\n'));
      EXPECT_EQ("z", ValueText::formatChar('z'));
    }
  }
}
