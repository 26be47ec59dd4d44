// The payload a data port puts on the wire, octet by octet, and how the receiver copes with
// octets that are not a well-formed sample.
#include "transport/CdrCodec.h"

#include <rtm/idl/BasicDataType.hh>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

  using Bytes = std::vector<std::uint8_t>;

  // Concatenates the fields of an expected encoding, so each test lists one field a line.
  Bytes fields(std::initializer_list<Bytes> parts)
  {
    Bytes all;
    for (const Bytes& part : parts)
      all.insert(all.end(), part.begin(), part.end());
    return all;
  }

  template <class T>
  Bytes encoded(const T& sample, rtm::ByteOrder order = rtm::ByteOrder::Little)
  {
    rtm::CdrEncoder<T> sut;
    EXPECT_TRUE(sut.encode(sample, order));
    return Bytes(sut.data(), sut.data() + sut.size());
  }

  // Decodes from an 8-aligned copy, as omniORB hands us a received CdrData.
  template <class T>
  bool decoded(const Bytes& bytes, T& out, rtm::ByteOrder order = rtm::ByteOrder::Little)
  {
    std::vector<std::uint64_t> aligned((bytes.size() + 7) / 8 + 1);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<std::uint8_t*>(aligned.data()));
    return rtm::cdrDecode(reinterpret_cast<const CORBA::Octet*>(aligned.data()), bytes.size(), order, out);
  }

  RTC::Time time(CORBA::ULong sec, CORBA::ULong nsec)
  {
    RTC::Time t;
    t.sec = sec;
    t.nsec = nsec;
    return t;
  }

  RTC::TimedLong timedLong(CORBA::ULong sec, CORBA::ULong nsec, CORBA::Long data)
  {
    RTC::TimedLong s;
    s.tm = time(sec, nsec);
    s.data = data;
    return s;
  }

  RTC::TimedDouble timedDouble(double data)
  {
    RTC::TimedDouble s;
    s.tm = time(1, 2);
    s.data = data;
    return s;
  }

  RTC::TimedString timedString(const char* data)
  {
    RTC::TimedString s;
    s.tm = time(1, 2);
    s.data = data;
    return s;
  }

  RTC::TimedLongSeq timedLongSeq(std::initializer_list<CORBA::Long> data)
  {
    RTC::TimedLongSeq s;
    s.tm = time(1, 2);
    s.data.length(static_cast<CORBA::ULong>(data.size()));
    CORBA::ULong i = 0;
    for (CORBA::Long v : data)
      s.data[i++] = v;
    return s;
  }

  RTC::TimedDoubleSeq timedDoubleSeq(std::initializer_list<double> data)
  {
    RTC::TimedDoubleSeq s;
    s.tm = time(1, 2);
    s.data.length(static_cast<CORBA::ULong>(data.size()));
    CORBA::ULong i = 0;
    for (double v : data)
      s.data[i++] = v;
    return s;
  }

  RTC::TimedStringSeq timedStringSeq(std::initializer_list<const char*> data)
  {
    RTC::TimedStringSeq s;
    s.tm = time(1, 2);
    s.data.length(static_cast<CORBA::ULong>(data.size()));
    CORBA::ULong i = 0;
    for (const char* v : data)
      s.data[i++] = v;
    return s;
  }

}  // namespace

// --- Encoding: expected octets, field by field ---------------------------------------------------

TEST(CdrEncoding, TimedLongLittleEndianIsTwelveBareOctets)
{
  const Bytes expected = fields({
    {0x01, 0x00, 0x00, 0x00},  // tm.sec = 1
    {0x02, 0x00, 0x00, 0x00},  // tm.nsec = 2
    {0xFD, 0xFF, 0xFF, 0xFF},  // data = -3
  });
  EXPECT_EQ(encoded(timedLong(1, 2, -3)), expected);
}

TEST(CdrEncoding, TimedLongBigEndianSwapsEachField)
{
  const Bytes expected = fields({
    {0x00, 0x00, 0x00, 0x01},  // tm.sec = 1
    {0x00, 0x00, 0x00, 0x02},  // tm.nsec = 2
    {0xFF, 0xFF, 0xFF, 0xFD},  // data = -3
  });
  EXPECT_EQ(encoded(timedLong(1, 2, -3), rtm::ByteOrder::Big), expected);
}

TEST(CdrEncoding, TimedLongExtremeValues)
{
  const Bytes expected = fields({
    {0xFF, 0xFF, 0xFF, 0xFF},  // tm.sec = 0xffffffff
    {0x00, 0x00, 0x00, 0x00},  // tm.nsec = 0
    {0xFF, 0xFF, 0xFF, 0x7F},  // data = 0x7fffffff
  });
  EXPECT_EQ(encoded(timedLong(0xFFFFFFFFu, 0, 0x7FFFFFFF)), expected);
}

TEST(CdrEncoding, TimedDoubleStartsAtOffsetEightWithoutPadding)
{
  const Bytes expected = fields({
    {0x01, 0x00, 0x00, 0x00},  // tm.sec
    {0x02, 0x00, 0x00, 0x00},  // tm.nsec
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F},  // data = 1.5
  });
  EXPECT_EQ(encoded(timedDouble(1.5)), expected);
}

TEST(CdrEncoding, TimedDoubleBigEndian)
{
  const Bytes expected = fields({
    {0x00, 0x00, 0x00, 0x01},
    {0x00, 0x00, 0x00, 0x02},
    {0x3F, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
  });
  EXPECT_EQ(encoded(timedDouble(1.5), rtm::ByteOrder::Big), expected);
}

TEST(CdrEncoding, TimedStringCarriesLengthWithTerminatingNul)
{
  const Bytes expected = fields({
    {0x01, 0x00, 0x00, 0x00},  // tm.sec
    {0x02, 0x00, 0x00, 0x00},  // tm.nsec
    {0x03, 0x00, 0x00, 0x00},  // string length, NUL included
    {'h', 'i', 0x00},  // no padding after the last field
  });
  EXPECT_EQ(encoded(timedString("hi")), expected);
}

TEST(CdrEncoding, TimedLongSeqCarriesElementCount)
{
  const Bytes expected = fields({
    {0x01, 0x00, 0x00, 0x00},  // tm.sec
    {0x02, 0x00, 0x00, 0x00},  // tm.nsec
    {0x02, 0x00, 0x00, 0x00},  // 2 elements
    {0x07, 0x00, 0x00, 0x00},  // 7
    {0xFF, 0xFF, 0xFF, 0xFF},  // -1
  });
  EXPECT_EQ(encoded(timedLongSeq({7, -1})), expected);
}

TEST(CdrEncoding, TimedDoubleSeqPadsElementsToEightFromFirstOctet)
{
  const Bytes expected = fields({
    {0x01, 0x00, 0x00, 0x00},  // tm.sec
    {0x02, 0x00, 0x00, 0x00},  // tm.nsec
    {0x01, 0x00, 0x00, 0x00},  // 1 element, ends at offset 12
    {0x00, 0x00, 0x00, 0x00},  // padding to offset 16
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F},  // 1.5
  });
  EXPECT_EQ(encoded(timedDoubleSeq({1.5})), expected);
}

TEST(CdrEncoding, TimedStringSeqAlignsEachLengthToFour)
{
  const Bytes expected = fields({
    {0x01, 0x00, 0x00, 0x00},  // tm.sec
    {0x02, 0x00, 0x00, 0x00},  // tm.nsec
    {0x02, 0x00, 0x00, 0x00},  // 2 strings
    {0x02, 0x00, 0x00, 0x00},  // "a"
    {'a', 0x00},
    {0x00, 0x00},  // padding to offset 20
    {0x03, 0x00, 0x00, 0x00},  // "bc"
    {'b', 'c', 0x00},
  });
  EXPECT_EQ(encoded(timedStringSeq({"a", "bc"})), expected);
}

TEST(CdrEncoding, PaddingIsZeroWhereAnEarlierSampleWroteData)
{
  rtm::CdrEncoder<RTC::TimedStringSeq> sut;
  ASSERT_TRUE(sut.encode(timedStringSeq({"abcdefgh", "ijklmnop"})));

  ASSERT_TRUE(sut.encode(timedStringSeq({"a", "bc"})));

  const Bytes padding(sut.data() + 18, sut.data() + 20);
  EXPECT_EQ(padding, (Bytes{0x00, 0x00}));
}

// Long runs of octets are not zeroed between samples; padding that falls inside one must still be.
// A value that is a run of octets of a chosen length followed by an aligned ulong.
namespace
{
  struct RunThenULong
  {
    int run;
    void operator>>=(cdrStream& out) const
    {
      const std::vector<CORBA::Octet> octets(static_cast<std::size_t>(run), 0xAA);
      out.put_octet_array(octets.data(), run);
      CORBA::ULong(7) >>= out;
    }
  };
}

TEST(CdrEncoding, PaddingIsZeroWhereAnEarlierSampleWroteALongRun)
{
  rtm::CdrEncoder<RunThenULong> sut;
  ASSERT_TRUE(sut.encode(RunThenULong{100}));
  ASSERT_TRUE(sut.encode(RunThenULong{100}));

  ASSERT_TRUE(sut.encode(RunThenULong{97}));

  ASSERT_EQ(104u, sut.size());
  const Bytes padding(sut.data() + 97, sut.data() + 100);
  EXPECT_EQ(padding, (Bytes{0x00, 0x00, 0x00}));
  EXPECT_EQ(7, sut.data()[100]);
}

TEST(CdrEncoding, PaddingIsZeroAfterTheBufferGrows)
{
  RTC::TimedStringSeq sample = timedStringSeq({});
  sample.data.length(200);
  Bytes expected = fields({{0x01, 0x00, 0x00, 0x00}, {0x02, 0x00, 0x00, 0x00}, {0xC8, 0x00, 0x00, 0x00}});
  for (CORBA::ULong i = 0; i < sample.data.length(); ++i)
  {
    sample.data[i] = "a";
    const Bytes string = {0x02, 0x00, 0x00, 0x00, 'a', 0x00};
    expected.insert(expected.end(), string.begin(), string.end());
    if (i + 1 < sample.data.length())
      expected.insert(expected.end(), {0x00, 0x00});
  }

  EXPECT_EQ(encoded(sample), expected);
}

namespace
{

  RTC::TimedWString timedWString(const wchar_t* data)
  {
    RTC::TimedWString s;
    s.tm = time(1, 2);
    s.data = data;
    return s;
  }

  // Exits 0 if, with the ORB initialised, strings encode to the given octets.
  [[noreturn]] void exitWhetherOrbEncodesAlike(const Bytes& narrow, const Bytes& wide)
  {
    int argc = 1;
    char name[] = "transport_tests";
    char* argv[] = {name, nullptr};
    CORBA::ORB_var orb = CORBA::ORB_init(argc, argv);
    const bool same = encoded(timedString("\xE9t\xE9")) == narrow && encoded(timedWString(L"w\u00e9")) == wide;
    orb->destroy();
    std::_Exit(same ? 0 : 1);
  }

}  // namespace

TEST(CdrEncoding, StringsEncodeTheSameBeforeAndAfterTheOrbChoosesCodeSets)
{
  const Bytes narrow = encoded(timedString("\xE9t\xE9"));
  const Bytes wide = encoded(timedWString(L"w\u00e9"));

  // In a child process, so that the ORB's threads cannot disturb the other tests.
  EXPECT_EXIT(exitWhetherOrbEncodesAlike(narrow, wide), ::testing::ExitedWithCode(0), "");
}

TEST(CdrEncoding, EncoderReusedForAShorterSampleHoldsOnlyThatSample)
{
  rtm::CdrEncoder<RTC::TimedString> sut;
  ASSERT_TRUE(sut.encode(timedString("a much longer string than the next one")));

  ASSERT_TRUE(sut.encode(timedString("x")));

  EXPECT_EQ(Bytes(sut.data(), sut.data() + sut.size()), encoded(timedString("x")));
}

TEST(CdrEncoding, EncodedBufferStartsEightAligned)
{
  rtm::CdrEncoder<RTC::TimedDouble> sut;
  ASSERT_TRUE(sut.encode(timedDouble(2.0)));
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(sut.data()) % 8, 0u);
}

TEST(CdrEncoding, CdrDataBorrowsTheEncodedOctetsWithoutOwningThem)
{
  rtm::CdrEncoder<RTC::TimedLong> sut;
  ASSERT_TRUE(sut.encode(timedLong(1, 2, -3)));
  OpenRTM::CdrData seq;
  seq.length(100);  // a buffer of its own, which replace() must give back

  sut.toCdrData(seq);

  EXPECT_EQ(seq.get_buffer(), sut.data());
  EXPECT_EQ(seq.length(), 12u);
  EXPECT_FALSE(seq.release());
}

// --- Round trips -----------------------------------------------------------------------------------

namespace
{

  template <class T>
  T sampleOf();
  template <>
  RTC::TimedLong sampleOf()
  {
    return timedLong(1700000000u, 999999999u, -123456);
  }
  template <>
  RTC::TimedDouble sampleOf()
  {
    return timedDouble(-0.000123);
  }
  template <>
  RTC::TimedString sampleOf()
  {
    return timedString("Trimul \xE9t\xE9");
  }
  template <>
  RTC::TimedLongSeq sampleOf()
  {
    return timedLongSeq({1, -2, 0x7FFFFFFF, -0x7FFFFFFF - 1});
  }
  template <>
  RTC::TimedDoubleSeq sampleOf()
  {
    return timedDoubleSeq({0.5, -1e300, 3.25});
  }
  template <>
  RTC::TimedStringSeq sampleOf()
  {
    return timedStringSeq({"", "one", "three"});
  }
  template <>
  RTC::TimedShort sampleOf()
  {
    RTC::TimedShort s;
    s.tm = time(3, 4);
    s.data = -2;
    return s;
  }
  template <>
  RTC::TimedOctetSeq sampleOf()
  {
    RTC::TimedOctetSeq s;
    s.tm = time(5, 6);
    s.data.length(3);
    s.data[0] = 0;
    s.data[1] = 0x80;
    s.data[2] = 0xFF;
    return s;
  }
  template <>
  RTC::TimedWString sampleOf()
  {
    RTC::TimedWString s;
    s.tm = time(7, 8);
    s.data = L"w\u00e9";
    return s;
  }

  template <class T>
  class CdrRoundTrip : public ::testing::Test
  {};

  using RoundTripTypes =
    ::testing::Types<RTC::TimedLong, RTC::TimedDouble, RTC::TimedString, RTC::TimedLongSeq, RTC::TimedDoubleSeq,
                     RTC::TimedStringSeq, RTC::TimedShort, RTC::TimedOctetSeq, RTC::TimedWString>;
  TYPED_TEST_SUITE(CdrRoundTrip, RoundTripTypes);

}  // namespace

TYPED_TEST(CdrRoundTrip, LittleEndianDecodesToTheSameSample)
{
  const TypeParam original = sampleOf<TypeParam>();
  TypeParam copy;

  ASSERT_TRUE(decoded(encoded(original), copy));

  EXPECT_EQ(encoded(copy), encoded(original));
  EXPECT_EQ(copy.tm.sec, original.tm.sec);
  EXPECT_EQ(copy.tm.nsec, original.tm.nsec);
}

TYPED_TEST(CdrRoundTrip, BigEndianDecodesToTheSameSample)
{
  const TypeParam original = sampleOf<TypeParam>();
  TypeParam copy;

  ASSERT_TRUE(decoded(encoded(original, rtm::ByteOrder::Big), copy, rtm::ByteOrder::Big));

  EXPECT_EQ(encoded(copy), encoded(original));
}

TYPED_TEST(CdrRoundTrip, EveryTruncationIsRefusedAndLeavesOutputAlone)
{
  const Bytes whole = encoded(sampleOf<TypeParam>());
  const TypeParam sentinel = TypeParam();
  for (std::size_t length = 0; length < whole.size(); ++length)
  {
    TypeParam out = sentinel;
    EXPECT_FALSE(decoded(Bytes(whole.begin(), whole.begin() + length), out)) << length;
    EXPECT_EQ(encoded(out), encoded(sentinel)) << length;
  }
}

TYPED_TEST(CdrRoundTrip, TrailingOctetIsRefused)
{
  Bytes bytes = encoded(sampleOf<TypeParam>());
  bytes.push_back(0);
  TypeParam out = TypeParam();

  EXPECT_FALSE(decoded(bytes, out));
  EXPECT_EQ(encoded(out), encoded(TypeParam()));
}

TEST(CdrDecoding, ValuesComeOutFieldByField)
{
  RTC::TimedLong out{};
  const Bytes bytes = {0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0xFD, 0xFF, 0xFF, 0xFF};

  ASSERT_TRUE(decoded(bytes, out));

  EXPECT_EQ(out.tm.sec, 1u);
  EXPECT_EQ(out.tm.nsec, 2u);
  EXPECT_EQ(out.data, -3);
}

TEST(CdrDecoding, BigEndianProfileReadsTheSameOctetsDifferently)
{
  RTC::TimedLong out{};
  const Bytes bytes = {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0xFD};

  ASSERT_TRUE(decoded(bytes, out, rtm::ByteOrder::Big));

  EXPECT_EQ(out.tm.sec, 1u);
  EXPECT_EQ(out.data, -3);
}

TEST(CdrDecoding, UnalignedInputStillAlignsFromItsFirstOctet)
{
  const Bytes bytes = encoded(timedDoubleSeq({1.5, -2.0}));
  std::vector<std::uint64_t> storage(bytes.size() / 8 + 2);
  auto* unaligned = reinterpret_cast<CORBA::Octet*>(storage.data()) + 1;
  std::copy(bytes.begin(), bytes.end(), unaligned);
  RTC::TimedDoubleSeq out;

  ASSERT_TRUE(rtm::cdrDecode(unaligned, bytes.size(), rtm::ByteOrder::Little, out));

  ASSERT_EQ(out.data.length(), 2u);
  EXPECT_EQ(out.data[0], 1.5);
  EXPECT_EQ(out.data[1], -2.0);
}

// --- Malformed input -------------------------------------------------------------------------------

namespace
{

  template <class T>
  void expectRefusedAndUntouched(const Bytes& bytes, const T& sentinel, rtm::ByteOrder order = rtm::ByteOrder::Little)
  {
    T out = sentinel;
    EXPECT_FALSE(decoded(bytes, out, order));
    EXPECT_EQ(encoded(out), encoded(sentinel));
  }

  const Bytes kTime = {0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00};

}  // namespace

TEST(CdrDecoding, EmptyPayloadIsRefused) { expectRefusedAndUntouched(Bytes{}, timedLong(9, 9, 9)); }

TEST(CdrDecoding, NullDataWithLengthIsRefused)
{
  RTC::TimedLong out = timedLong(9, 9, 9);
  EXPECT_FALSE(rtm::cdrDecode<RTC::TimedLong>(nullptr, 12, rtm::ByteOrder::Little, out));
  EXPECT_EQ(out.data, 9);
}

TEST(CdrDecoding, PaddingOctetsAfterTimedLongAreRefused)
{
  Bytes bytes = encoded(timedLong(1, 2, 3));
  bytes.insert(bytes.end(), {0, 0, 0, 0});
  expectRefusedAndUntouched(bytes, timedLong(9, 9, 9));
}

TEST(CdrDecoding, StringLengthRunningPastTheEndIsRefused)
{
  const Bytes bytes = fields({kTime, {0x64, 0x00, 0x00, 0x00}, {'h', 'i', 0x00}});
  expectRefusedAndUntouched(bytes, timedString("kept"));
}

TEST(CdrDecoding, StringWithoutNulIsRefused)
{
  const Bytes bytes = fields({kTime, {0x02, 0x00, 0x00, 0x00}, {'h', 'i'}});
  expectRefusedAndUntouched(bytes, timedString("kept"));
}

TEST(CdrDecoding, StringOfLengthZeroIsRefused)
{
  // Even an empty string carries its NUL, so a zero length is not a string at all.
  const Bytes bytes = fields({kTime, {0x00, 0x00, 0x00, 0x00}});
  expectRefusedAndUntouched(bytes, timedString("kept"));
}

TEST(CdrDecoding, StringSentBigEndianButReadLittleIsRefused)
{
  expectRefusedAndUntouched(encoded(timedString("hi"), rtm::ByteOrder::Big), timedString("kept"));
}

TEST(CdrDecoding, SequenceLongerThanThePayloadIsRefused)
{
  const Bytes bytes = fields({kTime, {0x03, 0x00, 0x00, 0x00}, {0x07, 0x00, 0x00, 0x00}});
  expectRefusedAndUntouched(bytes, timedLongSeq({42}));
}

TEST(CdrDecoding, SequenceLengthThatWrapsThirtyTwoBitsIsRefused)
{
  // 0x40000001 longs are 0x100000004 octets, which a 32-bit product sees as 4: the one element
  // present would pass.
  const Bytes bytes = fields({kTime, {0x01, 0x00, 0x00, 0x40}, {0x07, 0x00, 0x00, 0x00}});
  expectRefusedAndUntouched(bytes, timedLongSeq({42}));
}

TEST(CdrDecoding, StringSequenceClaimingMoreStringsThanOctetsIsRefused)
{
  const Bytes bytes = fields({kTime, {0xFF, 0xFF, 0xFF, 0xFF}, {0x01, 0x00, 0x00, 0x00, 0x00}});
  expectRefusedAndUntouched(bytes, timedStringSeq({"kept"}));
}

TEST(CdrDecoding, TimedLongSentAsTimedDoubleIsRefused)
{
  // A mismatched data type is accepted by the ports; the receiver must not make up a value.
  expectRefusedAndUntouched(encoded(timedDouble(1.0)), timedLong(9, 9, 9));
}

// --- Endian option ---------------------------------------------------------------------------------

TEST(EndianOption, FirstTokenDecidesWhateverItsCaseAndBlanks)
{
  struct Case
  {
    const char* value;
    bool accepted;
    rtm::ByteOrder order;
  };
  const Case cases[] = {
    {"little,big", true, rtm::ByteOrder::Little}, {"big,little", true, rtm::ByteOrder::Big},
    {"big", true, rtm::ByteOrder::Big},           {" BIG , little", true, rtm::ByteOrder::Big},
    {"Little", true, rtm::ByteOrder::Little},     {"", true, rtm::ByteOrder::Little},
    {"  ", true, rtm::ByteOrder::Little},         {"middle,little", false, rtm::ByteOrder::Big},
    {"littlebig", false, rtm::ByteOrder::Big},    {",big", false, rtm::ByteOrder::Big},
  };
  for (const Case& c : cases)
  {
    // Start from the other order, so that an untouched output cannot pass for a parsed one.
    const rtm::ByteOrder before = c.order == rtm::ByteOrder::Big ? rtm::ByteOrder::Little : rtm::ByteOrder::Big;
    rtm::ByteOrder order = before;
    EXPECT_EQ(rtm::parseEndianOption(c.value, order), c.accepted) << '"' << c.value << '"';
    EXPECT_EQ(order, c.accepted ? c.order : before) << '"' << c.value << '"';
  }
}

// --- Repository IDs --------------------------------------------------------------------------------

TEST(RepositoryId, EveryBasicDataTypeHasItsBareId)
{
#define EXPECT_REPOSITORY_ID(Name) EXPECT_STREQ(rtm::repositoryId<RTC::Name>(), "IDL:RTC/" #Name ":1.0")
  EXPECT_REPOSITORY_ID(TimedState);
  EXPECT_REPOSITORY_ID(TimedShort);
  EXPECT_REPOSITORY_ID(TimedLong);
  EXPECT_REPOSITORY_ID(TimedUShort);
  EXPECT_REPOSITORY_ID(TimedULong);
  EXPECT_REPOSITORY_ID(TimedFloat);
  EXPECT_REPOSITORY_ID(TimedDouble);
  EXPECT_REPOSITORY_ID(TimedChar);
  EXPECT_REPOSITORY_ID(TimedWChar);
  EXPECT_REPOSITORY_ID(TimedBoolean);
  EXPECT_REPOSITORY_ID(TimedOctet);
  EXPECT_REPOSITORY_ID(TimedString);
  EXPECT_REPOSITORY_ID(TimedWString);
  EXPECT_REPOSITORY_ID(TimedShortSeq);
  EXPECT_REPOSITORY_ID(TimedLongSeq);
  EXPECT_REPOSITORY_ID(TimedUShortSeq);
  EXPECT_REPOSITORY_ID(TimedULongSeq);
  EXPECT_REPOSITORY_ID(TimedFloatSeq);
  EXPECT_REPOSITORY_ID(TimedDoubleSeq);
  EXPECT_REPOSITORY_ID(TimedCharSeq);
  EXPECT_REPOSITORY_ID(TimedWCharSeq);
  EXPECT_REPOSITORY_ID(TimedBooleanSeq);
  EXPECT_REPOSITORY_ID(TimedOctetSeq);
  EXPECT_REPOSITORY_ID(TimedStringSeq);
  EXPECT_REPOSITORY_ID(TimedWStringSeq);
#undef EXPECT_REPOSITORY_ID
}

TEST(RepositoryId, RepeatedCallsReturnTheSameString)
{
  EXPECT_EQ(rtm::repositoryId<RTC::TimedLong>(), rtm::repositoryId<RTC::TimedLong>());
}
