// The timing counters benchmarks read: which bucket a tick lands in and how percentiles are read.
#include "ec/TickStatistics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

  constexpr std::int64_t us(std::int64_t n) { return n * 1000; }

}  // namespace

TEST(TickStatistics, NothingRecordedReadsAsZero)
{
  rtm::TickStatistics sut;

  EXPECT_EQ(0u, sut.ticks());
  EXPECT_EQ(0u, sut.overruns());
  EXPECT_EQ(0.0, sut.latenessPercentileUs(50));
}

TEST(TickStatistics, PercentileIsTheUpperEdgeOfItsMicrosecondBucket)
{
  rtm::TickStatistics sut;
  for (int i = 0; i < 90; ++i)
  {
    sut.recordTick(us(2) + 300);  // 2.3 µs late
  }
  for (int i = 0; i < 10; ++i)
  {
    sut.recordTick(us(40));
  }

  EXPECT_EQ(100u, sut.ticks());
  EXPECT_EQ(3.0, sut.latenessPercentileUs(50));
  EXPECT_EQ(3.0, sut.latenessPercentileUs(90));
  EXPECT_EQ(41.0, sut.latenessPercentileUs(90.1));
  EXPECT_EQ(41.0, sut.latenessPercentileUs(100));
}

TEST(TickStatistics, EarlyTickCountsAsOnTime)
{
  rtm::TickStatistics sut;

  sut.recordTick(-us(5));

  EXPECT_EQ(1.0, sut.latenessPercentileUs(100));
}

TEST(TickStatistics, TickBeyondTheLastBucketReadsAsInfinitelyLate)
{
  rtm::TickStatistics sut;
  sut.recordTick(us(1));
  sut.recordTick(us(rtm::TickStatistics::kLatenessBuckets));

  EXPECT_EQ(2.0, sut.latenessPercentileUs(50));
  EXPECT_TRUE(std::isinf(sut.latenessPercentileUs(100)));
}

TEST(TickStatistics, LastMicrosecondBucketIsStillFinite)
{
  rtm::TickStatistics sut;

  sut.recordTick(us(rtm::TickStatistics::kLatenessBuckets) - 1);

  EXPECT_EQ(static_cast<double>(rtm::TickStatistics::kLatenessBuckets), sut.latenessPercentileUs(100));
}

TEST(TickStatistics, ResetForgetsEverything)
{
  rtm::TickStatistics sut;
  sut.recordTick(us(10));
  sut.recordOverrun();

  sut.reset();

  EXPECT_EQ(0u, sut.ticks());
  EXPECT_EQ(0u, sut.overruns());
  EXPECT_EQ(0.0, sut.latenessPercentileUs(99));
}
