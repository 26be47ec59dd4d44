// What the data path allocates. The tick path must allocate nothing once running, and octets from a
// peer must not be able to make the receiver allocate more than they could describe.
//
// The counts are of the whole program, read around single-threaded code.
#include "testsupport/AllocationCounter.h"
#include "transport/CdrCodec.h"
#include "transport/RingBuffer.h"

#include <rtm/idl/BasicDataType.hh>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using testsupport::AllocationCounter;

namespace
{

  RTC::TimedLong timedLong(CORBA::Long data)
  {
    RTC::TimedLong s;
    s.tm.sec = 1;
    s.tm.nsec = 2;
    s.data = data;
    return s;
  }

  // Decodes from an 8-aligned copy, so that only the decoder's own allocations are counted.
  struct AlignedBytes
  {
    explicit AlignedBytes(std::initializer_list<std::uint8_t> bytes) : storage(bytes.size() / 8 + 1), size(bytes.size())
    {
      std::copy(bytes.begin(), bytes.end(), reinterpret_cast<std::uint8_t*>(storage.data()));
    }
    const CORBA::Octet* data() const { return reinterpret_cast<const CORBA::Octet*>(storage.data()); }
    std::vector<std::uint64_t> storage;
    std::size_t size;
  };

  constexpr std::size_t kSmall = 4096;

  // Octets whose counts claim far more than they hold: the decoder refuses them, allocating
  // little on the way.
  template <class Sample>
  void expectRefusedCheaply(const AlignedBytes& bytes)
  {
    Sample out;
    AllocationCounter counter;
    const bool ok = rtm::cdrDecode(bytes.data(), bytes.size, rtm::ByteOrder::Little, out);

    EXPECT_FALSE(ok);
    EXPECT_LT(counter.largest(), kSmall);
  }

}  // namespace

TEST(AllocationCounting, CountsAnAllocation)
{
  AllocationCounter counter;
  auto p = std::make_unique<std::uint64_t[]>(1000);
  EXPECT_GE(counter.allocations(), 1u);
  EXPECT_GE(counter.largest(), 8000u);
}

TEST(SteadyStateAllocation, EncodingTimedLongAgainAllocatesNothing)
{
  rtm::CdrEncoder<RTC::TimedLong> sut;
  OpenRTM::CdrData seq;
  ASSERT_TRUE(sut.encode(timedLong(0)));
  sut.toCdrData(seq);

  AllocationCounter counter;
  bool ok = true;
  for (CORBA::Long i = 1; i <= 1000; ++i)
  {
    ok = sut.encode(timedLong(i)) && ok;
    sut.toCdrData(seq);
  }

  EXPECT_TRUE(ok);
  EXPECT_EQ(counter.allocations(), 0u);
}

TEST(SteadyStateAllocation, EncodingSequencesNoLongerThanBeforeAllocatesNothing)
{
  rtm::CdrEncoder<RTC::TimedDoubleSeq> sut;
  RTC::TimedDoubleSeq sample;
  sample.data.length(100);
  ASSERT_TRUE(sut.encode(sample));

  AllocationCounter counter;
  for (CORBA::ULong i = 0; i < 100; ++i)
  {
    sample.data[i] = i;
    sut.encode(sample, i % 2 ? rtm::ByteOrder::Big : rtm::ByteOrder::Little);
  }

  EXPECT_EQ(counter.allocations(), 0u);
}

TEST(SteadyStateAllocation, DecodingTimedLongAllocatesNothing)
{
  const AlignedBytes bytes{0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0xFD, 0xFF, 0xFF, 0xFF};
  RTC::TimedLong out{};

  AllocationCounter counter;
  const bool ok = rtm::cdrDecode(bytes.data(), bytes.size, rtm::ByteOrder::Little, out);

  EXPECT_TRUE(ok);
  EXPECT_EQ(counter.allocations(), 0u);
}

TEST(SteadyStateAllocation, RingBufferWriteAndReadOfTimedLongAllocateNothing)
{
  rtm::RingBuffer<RTC::TimedLong> sut;
  RTC::TimedLong out{};

  AllocationCounter counter;
  for (CORBA::Long i = 0; i < 100; ++i)
  {
    sut.write(timedLong(i));  // overwrites once full
  }
  for (int i = 0; i < 10; ++i)
  {
    sut.read(out);  // the last two read back
  }

  EXPECT_EQ(counter.allocations(), 0u);
  EXPECT_EQ(out.data, 99);
}

TEST(HostileLength, DoubleSequenceWrappingThirtyTwoBitsAllocatesLittle)
{
  // 0x20000001 doubles would take 4 GiB; a 32-bit product sees 8 octets.
  const AlignedBytes bytes{0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  // tm
                           0x01, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00,  // count, padding
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F};  // one double

  expectRefusedCheaply<RTC::TimedDoubleSeq>(bytes);
}

TEST(HostileLength, MaximalLongSequenceAllocatesLittle)
{
  const AlignedBytes bytes{0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                           0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x00, 0x00, 0x00};

  expectRefusedCheaply<RTC::TimedLongSeq>(bytes);
}

TEST(HostileLength, StringSequenceAllocatesNoMoreThanItsOctetsCouldHold)
{
  // 0x10000000 strings, each a pointer in memory: 2 GiB of slots if the count were believed.
  const AlignedBytes bytes{0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00};

  expectRefusedCheaply<RTC::TimedStringSeq>(bytes);
}

TEST(HostileLength, StringLengthAllocatesLittle)
{
  const AlignedBytes bytes{0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0xF0, 0xFF, 0xFF, 0x7F, 'h', 'i', 0x00};

  expectRefusedCheaply<RTC::TimedString>(bytes);
}

TEST(SteadyStateAllocation, RingBufferOfGrowableSamplesAllocatesNothingAfterAPrototypedReset)
{
  // Slots copied from a prototype with room for the samples need no memory of their own later.
  const std::vector<int> prototype(16);
  rtm::RingBuffer<std::vector<int>> sut(rtm::RingBufferOptions(), prototype);
  const std::vector<int> sample = {1, 2, 3};
  std::vector<int> out(16);

  AllocationCounter counter;
  for (int i = 0; i < 20; ++i)
    sut.write(sample);
  while (!sut.empty())
    sut.read(out);

  EXPECT_EQ(counter.allocations(), 0u);
  EXPECT_EQ(out, sample);
}
