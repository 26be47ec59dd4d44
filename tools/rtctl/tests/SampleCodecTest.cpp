#include "client/SampleCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
      EXPECT_EQ(nullptr, SampleCodec::find("IDL:RTC/TimedNoSuchType:1.0"));
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

    TEST(SampleCodecTable, EveryDataTypeIsCarriedUnderItsName)
    {
      std::vector<std::string> names;
#define RTM_TIMED_TYPE(Name) names.push_back(#Name);
#define RTM_PLAIN_TYPE(Name) names.push_back(#Name);
#include "testsupport/DataTypeList.h"
#undef RTM_TIMED_TYPE
#undef RTM_PLAIN_TYPE
      for (const std::string& name : names)
      {
        const SampleCodec* sut = SampleCodec::find("IDL:RTC/" + name + ":1.0");
        ASSERT_NE(nullptr, sut) << name;
        EXPECT_EQ(name, sut->typeName());
      }
    }

    // What inject takes and print shows for the types written through their TypeCodes: the
    // printed form, or the one line that refuses the text (after "'TEXT' is not a TYPE value: ").
    struct WrittenValue
    {
      const char* type;
      const char* text;
      const char* printed;  // nullptr when refused
      const char* refusal;
    };

    TEST(SampleCodecStructs, TextsPrintInTheFormInjectTakesOrAreRefusedNamingTheField)
    {
      const std::vector<WrittenValue> cases = {
        {"TimedPose2D", "{position: {x: 1, y: 2}, heading: 0.5}", "{position: {x: 1, y: 2}, heading: 0.5}", ""},
        {"TimedPose2D", "{heading:-0.5 position:{y:2}}", "{position: {x: 0, y: 2}, heading: -0.5}", ""},
        {"TimedPose2D", "{}", "{position: {x: 0, y: 0}, heading: 0}", ""},
        {"TimedPose2D", "{position: {x: abc}}", nullptr,
         "position.x: expected a 64-bit floating-point number, found 'abc'"},
        {"TimedPose2D", "{posn: 1}", nullptr, "no field 'posn' in Pose2D (its fields: position, heading)"},
        {"TimedPose2D", "{heading: 1, heading: 2}", nullptr, "heading: given twice"},
        {"TimedPose2D", "{heading 1}", nullptr, "expected ':' after field heading, found '1'"},
        {"TimedPose2D", "{heading: 1", nullptr, "expected a field name or '}', found end of text"},
        {"TimedPose2D", "{heading: 1} 2", nullptr, "unexpected '2' after the value"},
        {"TimedPoint2D", "[1, 2]", nullptr, "expected a struct {field: value, ...}, found a list"},
        {"GripperState", "{status: GRIPPER_STATE_MOVING}", "{status: GRIPPER_STATE_MOVING}", ""},
        {"GripperState", "{status: OPEN}", nullptr,
         "status: expected one of GRIPPER_STATE_OPEN, GRIPPER_STATE_CLOSED, GRIPPER_STATE_MOVING, "
         "GRIPPER_STATE_UNKNOWN, found 'OPEN'"},
        {"GripperState", "{tm: {sec: 1}}", nullptr, "tm: leave it out, the time stamp is set as the sample is sent"},
        {"CameraImage", "{width: 2, format: \"rgb 8\", pixels: [1 2 255]}",
         "{width: 2, height: 0, bpp: 0, format: \"rgb 8\", fDiv: 0, pixels: [1, 2, 255]}", ""},
        {"CameraImage", "{pixels: [1, 256]}", nullptr, "pixels[1]: expected an octet, 0 to 255, found '256'"},
        {"CameraImage", "{format: \"a\\0b\"}", nullptr, "format: expected text, found 'a\\x00b'"},
        {"CameraImage", "{format: \"open}", nullptr, "in field format: expected a closing \", found end of text"},
        {"Hypotheses2D", "{hypotheses: [{weight: 1}]}",
         "{hypotheses: [{mean: {position: {x: 0, y: 0}, heading: 0}, covariance: {xx: 0, xy: 0, xt: 0, yy: 0, yt: "
         "0, tt: 0}, weight: 1}]}",
         ""},
        {"LimbState", "{oapMatrix: {approach: {z: 1e300}}, status: LIMB_STATUS_OOR}",
         "{oapMatrix: {orientation: {x: 0, y: 0, z: 0}, approach: {x: 0, y: 0, z: 1e+300}, position: {x: 0, y: 0, "
         "z: 0}}, status: LIMB_STATUS_OOR}",
         ""},
        {"ActArrayActuatorPos", "{index: 65536}", nullptr,
         "index: expected an unsigned 16-bit integer, 0 to 65535, found '65536'"},
        {"Pose2D", "{heading: 1}", "{position: {x: 0, y: 0}, heading: 1}", ""},
        {"Pose2D", "{tm: {}}", nullptr, "no field 'tm' in Pose2D (its fields: position, heading)"},
        {"OGMapTile", "{cells: [1 2]}", "{column: 0, row: 0, width: 0, height: 0, cells: [1, 2]}", ""},
        {"TimedStringSeq", "\"a b\", c", "\"a b\" \"c\"", ""},
        {"TimedStringSeq", "[\"x\\ty\"]", "\"x\\ty\"", ""},
        {"TimedBooleanSeq", "true, no 1", "true false true", ""},
        {"TimedBooleanSeq", "true maybe", nullptr, "[1]: expected true or false, found 'maybe'"},
        {"TimedCharSeq", "a 'b' ' '", "'a' 'b' ' '", ""},
        {"TimedWString", "\xce\xba\xce\xb1\xce\xbb\xce\xb7 \xce\xbc\xce\xad\xcf\x81\xce\xb1",
         "\xce\xba\xce\xb1\xce\xbb\xce\xb7 \xce\xbc\xce\xad\xcf\x81\xce\xb1", ""},
        {"TimedWString", "\"\\\"quoted\\\"\"", "\"\\\"quoted\\\"\"", ""},
        {"TimedWChar", "\xce\xbb", "'\xce\xbb'", ""},
        {"TimedWChar", "ab", nullptr, "expected a single character of the Basic Multilingual Plane, found 'ab'"},
        {"TimedWString", "\xff", nullptr, "expected UTF-8 text of the Basic Multilingual Plane, found '\xff'"},
        {"TimedWString", "\xf0\x9f\x99\x82", nullptr,
         "expected UTF-8 text of the Basic Multilingual Plane, found '\xf0\x9f\x99\x82'"},
        {"TimedStringSeq", "[[\"x\"]]", nullptr, "[0]: expected text, found a list"},
      };
      for (const WrittenValue& c : cases)
      {
        SCOPED_TRACE(std::string(c.type) + " " + c.text);
        const SampleCodec& sut = codec((std::string("IDL:RTC/") + c.type + ":1.0").c_str());
        if (c.printed != nullptr)
        {
          EXPECT_EQ(c.printed, sut.normalise(c.text));
          EXPECT_EQ(c.printed, sut.normalise(c.printed));  // what print shows, inject takes back
        }
        else
        {
          EXPECT_FALSE(sut.accepts(c.text));
          EXPECT_EQ(std::string("'") + c.text + "' is not a " + c.type + " value: " + c.refusal, sut.rejection(c.text));
        }
      }
    }

    TEST(SampleCodecStructs, NestingDeeperThanAnyTypeIsRefusedWithoutRecursingIntoIt)
    {
      const std::string deep = std::string(100000, '[') + std::string(100000, ']');
      EXPECT_FALSE(codec("IDL:RTC/TimedStringSeq:1.0").accepts(deep));
    }
  }
}
