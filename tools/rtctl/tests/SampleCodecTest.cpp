#include "client/SampleCodec.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    const SampleCodec& codec(const char* typeId)
    {
      const SampleCodec* found = SampleCodec::find(typeId);
      if (found == nullptr)
        throw std::runtime_error(std::string("no codec for ") + typeId);
      return *found;
    }

    TEST(SampleCodecTable, EveryBasicScalarTypeIsCarried)
    {
      for (const char* name : {"TimedShort", "TimedLong", "TimedUShort", "TimedULong", "TimedFloat", "TimedDouble",
                               "TimedChar", "TimedBoolean", "TimedOctet", "TimedString"})
      {
        const SampleCodec* sut = SampleCodec::find(std::string("IDL:RTC/") + name + ":1.0");
        ASSERT_NE(nullptr, sut) << name;
        EXPECT_EQ(name, std::string(sut->typeName()));
      }
    }

    TEST(SampleCodecTable, UnknownOrOtherwiseSpelledIdsAreNotCarried)
    {
      EXPECT_EQ(nullptr, SampleCodec::find("IDL:RTC/TimedPose2D:1.0"));
      EXPECT_EQ(nullptr, SampleCodec::find("RTC/TimedLong"));
      EXPECT_EQ(nullptr, SampleCodec::find("IDL:omg.org/RTC/TimedLong:1.0"));
    }

    TEST(SampleCodecValues, EachTypeKeepsItsOwnRange)
    {
      EXPECT_TRUE(codec("IDL:RTC/TimedShort:1.0").accepts("-32768"));
      EXPECT_FALSE(codec("IDL:RTC/TimedShort:1.0").accepts("32768"));
      EXPECT_FALSE(codec("IDL:RTC/TimedUShort:1.0").accepts("-1"));
      EXPECT_TRUE(codec("IDL:RTC/TimedULong:1.0").accepts("4294967295"));
      EXPECT_FALSE(codec("IDL:RTC/TimedULong:1.0").accepts("4294967296"));
      EXPECT_FALSE(codec("IDL:RTC/TimedOctet:1.0").accepts("256"));
      EXPECT_FALSE(codec("IDL:RTC/TimedLong:1.0").accepts("2147483648"));
      EXPECT_FALSE(codec("IDL:RTC/TimedLong:1.0").accepts("abc"));
      EXPECT_TRUE(codec("IDL:RTC/TimedString:1.0").accepts("two words"));
    }

    TEST(SampleCodecValues, PrintedAsPrintWouldShowThem)
    {
      EXPECT_EQ("-2147483648", codec("IDL:RTC/TimedLong:1.0").normalise("-2147483648"));
      EXPECT_EQ("255", codec("IDL:RTC/TimedOctet:1.0").normalise("255"));
      EXPECT_EQ("true", codec("IDL:RTC/TimedBoolean:1.0").normalise("yes"));
      EXPECT_EQ("x", codec("IDL:RTC/TimedChar:1.0").normalise("x"));
      EXPECT_EQ("0.25", codec("IDL:RTC/TimedFloat:1.0").normalise("0.25"));
      EXPECT_EQ("two words", codec("IDL:RTC/TimedString:1.0").normalise("two words"));
    }

    TEST(SampleCodecValues, RejectionNamesTheValueTheTypeAndWhatItTakes)
    {
      EXPECT_EQ("'2147483648' is not a TimedLong value (a 32-bit integer)",
                codec("IDL:RTC/TimedLong:1.0").rejection("2147483648"));
    }

    TEST(SampleCodecSequences, ValuesSeparatedByBlanksOrCommasPrintSeparatedByOneBlank)
    {
      const SampleCodec& sut = codec("IDL:RTC/TimedLongSeq:1.0");
      EXPECT_EQ("1 -2 3", sut.normalise(" 1, -2\t3 "));
      EXPECT_EQ("2147483647", sut.normalise("2147483647"));
      EXPECT_EQ("0.5 -1e-09", codec("IDL:RTC/TimedDoubleSeq:1.0").normalise("0.5,-1e-9"));
    }

    TEST(SampleCodecSequences, AnEmptyTextIsAnEmptySequence)
    {
      EXPECT_TRUE(codec("IDL:RTC/TimedShortSeq:1.0").accepts(""));
      EXPECT_EQ("", codec("IDL:RTC/TimedShortSeq:1.0").normalise(" , "));
    }

    TEST(SampleCodecSequences, OneBadElementRefusesTheWholeSample)
    {
      EXPECT_FALSE(codec("IDL:RTC/TimedLongSeq:1.0").accepts("1 2147483648 3"));
      EXPECT_FALSE(codec("IDL:RTC/TimedOctetSeq:1.0").accepts("1 -1"));
      EXPECT_FALSE(codec("IDL:RTC/TimedFloatSeq:1.0").accepts("1.5 x"));
    }
  }
}
