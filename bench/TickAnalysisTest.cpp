// The analysis behind the execution-context rows: lateness, window and catch-up, on made-up times.
#include "TickAnalysis.h"

#include <gtest/gtest.h>

namespace
{
  constexpr std::int64_t kPeriod = 1000000;  // 1 kHz

  std::vector<std::int64_t> onTime(std::size_t n, std::int64_t start = 5000000000)
  {
    std::vector<std::int64_t> v(n);
    for (std::size_t k = 0; k < n; ++k)
      v[k] = start + std::int64_t(k) * kPeriod;
    return v;
  }
}

TEST(TickAnalysis, CallsExactlyOnTheGridAreNeverLate)
{
  const auto stamps = onTime(3000);

  const bench::TickFigures f = bench::analyseTicks(stamps, stamps.size(), kPeriod, 2);

  EXPECT_EQ(f.calls, 2000u);  // the window holds two seconds of calls, not the third
  EXPECT_EQ(f.lateMaxUs, 0.0);
  EXPECT_EQ(f.resyncs, 0u);
}

TEST(TickAnalysis, OneDelayedCallIsLateByItsDelayAndTheRestStayOnTime)
{
  auto stamps = onTime(1000);
  stamps[500] += 250000;  // 250 µs late

  const bench::TickFigures f = bench::analyseTicks(stamps, stamps.size(), kPeriod, 1);

  EXPECT_DOUBLE_EQ(f.lateMaxUs, 250.0);
  EXPECT_DOUBLE_EQ(f.lateUs[501], 0.0);
}

TEST(TickAnalysis, AStallBeyondTheCatchUpLimitStartsANewGridFromThatCall)
{
  auto stamps = onTime(100);
  auto later = onTime(100, stamps.back() + 50 * kPeriod);  // 50 periods lost
  stamps.insert(stamps.end(), later.begin(), later.end());

  const bench::TickFigures f = bench::analyseTicks(stamps, stamps.size(), kPeriod, 1);

  EXPECT_EQ(f.resyncs, 1u);
  EXPECT_EQ(f.lateUs.back(), 0.0);
}

TEST(TickAnalysis, NoCallsGiveEmptyFigures)
{
  const bench::TickFigures f = bench::analyseTicks({}, 0, kPeriod, 10);

  EXPECT_EQ(f.calls, 0u);
  EXPECT_EQ(f.lateP99Us, 0.0);
}
