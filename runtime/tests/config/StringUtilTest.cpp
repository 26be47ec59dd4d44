#include <coil/stringutil.h>

#include <gtest/gtest.h>

namespace
{

  TEST(ToBool, MatchesYesOrNoAsCaseInsensitiveSubstrings)
  {
    EXPECT_TRUE(coil::toBool("YES", "YES", "NO", false));
    EXPECT_TRUE(coil::toBool("yes", "YES", "NO", false));
    EXPECT_TRUE(coil::toBool(" Yes please", "YES", "NO", false));
    EXPECT_FALSE(coil::toBool("no", "YES", "NO", true));
    EXPECT_FALSE(coil::toBool("NOPE", "YES", "NO", true));
  }

  TEST(ToBool, YesWinsWhenBothAppear) { EXPECT_TRUE(coil::toBool("NO YES", "YES", "NO", false)); }

  TEST(ToBool, NeitherGivesTheCallersDefault)
  {
    EXPECT_TRUE(coil::toBool("maybe", "YES", "NO", true));
    EXPECT_FALSE(coil::toBool("", "YES", "NO", false));
  }

  TEST(Split, KeepsEmptyFieldsAndTrimsEachOne)
  {
    EXPECT_EQ(coil::split("RTC:::Trimul:", ":"), (coil::vstring{"RTC", "", "", "Trimul", ""}));
    EXPECT_EQ(coil::split(" a , b ,c ", ","), (coil::vstring{"a", "b", "c"}));
  }

  TEST(Split, CanDropEmptyFields) { EXPECT_EQ(coil::split("a,, ,b,", ",", true), (coil::vstring{"a", "b"})); }

  TEST(Split, MultiCharacterDelimiterAndEmptyInput)
  {
    EXPECT_EQ(coil::split("a::b", "::"), (coil::vstring{"a", "b"}));
    EXPECT_TRUE(coil::split("", ",").empty());
  }

  TEST(Normalize, TrimsAndLowercasesInPlace)
  {
    std::string s = " \tPeriodic ";

    EXPECT_EQ(coil::normalize(s), "periodic");
    EXPECT_EQ(s, "periodic");
  }

  TEST(StringTo, AcceptsWholeNumbersOnly)
  {
    int port = -1;
    EXPECT_TRUE(coil::stringTo(port, "2809"));
    EXPECT_EQ(port, 2809);
    EXPECT_FALSE(coil::stringTo(port, "28x"));
    EXPECT_FALSE(coil::stringTo(port, "abc"));
    EXPECT_FALSE(coil::stringTo(port, ""));
    EXPECT_FALSE(coil::stringTo(port, nullptr));
    EXPECT_EQ(port, 2809);  // failures leave the target alone
  }

  TEST(StringTo, ReadsFloatingPointAndWholeStrings)
  {
    double rate = 0;
    EXPECT_TRUE(coil::stringTo(rate, "10.5"));
    EXPECT_DOUBLE_EQ(rate, 10.5);

    std::string text;
    EXPECT_TRUE(coil::stringTo(text, "two words"));
    EXPECT_EQ(text, "two words");
  }

}  // namespace
