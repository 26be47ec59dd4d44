// Counters an execution context keeps about its own timing, for benchmarks. Recording is
// allocation-free and lock-free (the loop records, any thread reads), so it can stay on in
// production builds.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace rtm
{
  class TickStatistics
  {
  public:
    // One bucket per microsecond of lateness up to this bound; later ticks share one overflow
    // bucket.
    static constexpr std::size_t kLatenessBuckets = 5000;

    TickStatistics();

    // latenessNs: how long after its deadline the tick started (negative reads as on time).
    void recordTick(std::int64_t latenessNs) noexcept;
    void recordOverrun() noexcept;

    std::uint64_t ticks() const noexcept;
    std::uint64_t overruns() const noexcept;
    // p in percent (0..100]. The answer is the upper edge of the bucket that holds the p-th
    // percentile, in microseconds: p percent of the ticks started at most that late. Infinity when
    // that tick fell into the overflow bucket; 0 when nothing was recorded.
    double latenessPercentileUs(double p) const noexcept;
    // Not atomic as a whole: a tick recorded during the reset may survive it.
    void reset() noexcept;

  private:
    std::atomic<std::uint64_t> m_ticks;
    std::atomic<std::uint64_t> m_overruns;
    std::array<std::atomic<std::uint64_t>, kLatenessBuckets + 1> m_lateness;
  };
}
