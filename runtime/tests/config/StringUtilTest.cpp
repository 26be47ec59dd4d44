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

  // As the middleware reads a parameter: one value from the front, the rest ignored.
  TEST(StringTo, ReadsOneValueFromTheFrontAndLeavesTheTargetAloneOnFailure)
  {
    struct Case
    {
      const char* text;
      bool ok;
      int value;
    };
    const Case cases[] = {{"2809", true, 2809}, {" 42 ", true, 42}, {"28x", true, 28}, {"1.5", true, 1},
                          {"-3", true, -3},     {"abc", false, -1}, {"", false, -1},   {"99999999999", false, -1}};
    for (const Case& c : cases)
    {
      int port = -1;
      EXPECT_EQ(c.ok, coil::stringTo(port, c.text)) << c.text;
      EXPECT_EQ(c.value, port) << c.text;
    }
    int port = -1;
    EXPECT_FALSE(coil::stringTo(port, nullptr));
    EXPECT_EQ(port, -1);

    bool flag = false;
    EXPECT_TRUE(coil::stringTo(flag, "1"));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(coil::stringTo(flag, "0"));
    EXPECT_FALSE(flag);
    EXPECT_FALSE(coil::stringTo(flag, "true")) << "a bool is 0 or 1";
    EXPECT_FALSE(coil::stringTo(flag, "2"));
  }

  TEST(StringTo, ReadsAListAtItsCommasWholeOrNotAtAll)
  {
    struct Case
    {
      const char* text;
      bool ok;
      std::vector<double> value;
    };
    const Case cases[] = {
      {"1,2.5, 3 ", true, {1, 2.5, 3}}, {"4", true, {4}}, {"", true, {}}, {"1,,2", false, {9}}, {"1,x", false, {9}},
      {"0.5e1,7abc", true, {5, 7}}};
    for (const Case& c : cases)
    {
      std::vector<double> list{9};
      EXPECT_EQ(c.ok, coil::stringTo(list, c.text)) << c.text;
      EXPECT_EQ(c.value, list) << c.text;
    }
    std::vector<std::string> words;
    EXPECT_TRUE(coil::stringTo(words, "two words, three"));
    EXPECT_EQ((std::vector<std::string>{"two words", "three"}), words);
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
