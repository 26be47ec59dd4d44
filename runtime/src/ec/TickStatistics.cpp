#include "ec/TickStatistics.h"

#include <cmath>
#include <limits>

namespace rtm
{
  TickStatistics::TickStatistics() { reset(); }

  void TickStatistics::recordTick(std::int64_t latenessNs) noexcept
  {
    const std::int64_t us = latenessNs > 0 ? latenessNs / 1000 : 0;
    const std::size_t bucket =
      us < static_cast<std::int64_t>(kLatenessBuckets) ? static_cast<std::size_t>(us) : kLatenessBuckets;
    m_lateness[bucket].fetch_add(1, std::memory_order_relaxed);
    m_ticks.fetch_add(1, std::memory_order_relaxed);
  }

  void TickStatistics::recordOverrun() noexcept { m_overruns.fetch_add(1, std::memory_order_relaxed); }

  std::uint64_t TickStatistics::ticks() const noexcept { return m_ticks.load(std::memory_order_relaxed); }

  std::uint64_t TickStatistics::overruns() const noexcept { return m_overruns.load(std::memory_order_relaxed); }

  double TickStatistics::latenessPercentileUs(double p) const noexcept
  {
    // Copy first so that the total and the walk see the same counts while the loop keeps going.
    std::array<std::uint64_t, kLatenessBuckets + 1> counts;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < counts.size(); ++i)
    {
      counts[i] = m_lateness[i].load(std::memory_order_relaxed);
      total += counts[i];
    }
    if (total == 0 || !(p > 0.0))
    {
      return 0.0;
    }
    const double wanted = std::ceil(std::fmin(p, 100.0) / 100.0 * static_cast<double>(total));
    const std::uint64_t rank = wanted < 1.0 ? 1 : static_cast<std::uint64_t>(wanted);
    std::uint64_t seen = 0;
    for (std::size_t i = 0; i < kLatenessBuckets; ++i)
    {
      seen += counts[i];
      if (seen >= rank)
      {
        return static_cast<double>(i + 1);
      }
    }
    return std::numeric_limits<double>::infinity();
  }

  void TickStatistics::reset() noexcept
  {
    m_ticks.store(0, std::memory_order_relaxed);
    m_overruns.store(0, std::memory_order_relaxed);
    for (auto& bucket : m_lateness)
    {
      bucket.store(0, std::memory_order_relaxed);
    }
  }
}
