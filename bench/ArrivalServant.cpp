#include "ArrivalServant.h"

#include "PeriodicLoop.h"

#include <time.h>

#include <chrono>

namespace bench
{
  ArrivalServant::ArrivalServant(std::size_t capacity, std::int32_t factor)
    : m_capacity(capacity), m_factor(factor), m_arrival(new std::atomic<std::int64_t>[capacity])
  {
    for (std::size_t i = 0; i < capacity; ++i)
      m_arrival[i].store(0);
  }

  OpenRTM::PortStatus ArrivalServant::put(const OpenRTM::CdrData& data)
  {
    // Taken first, so decoding and book-keeping do not count as transit time.
    const std::int64_t now = monotonicNs();
    if (data.length() != 12)
      return OpenRTM::PORT_ERROR;
    // A TimedLong is tm.sec, tm.nsec, data, each 4 octets little-endian: data is the sequence.
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= std::uint32_t(data[8 + i]) << (8 * i);
    const std::int64_t seq = std::int32_t(v) / m_factor;
    if (seq >= 0 && std::size_t(seq) < m_capacity)
      m_arrival[std::size_t(seq)].store(now);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_count.fetch_add(1);
    }
    m_arrived.notify_all();
    return OpenRTM::PORT_OK;
  }

  std::int64_t ArrivalServant::arrival(std::int64_t seq) const
  {
    if (seq < 0 || std::size_t(seq) >= m_capacity)
      return 0;
    return m_arrival[std::size_t(seq)].load();
  }

  bool ArrivalServant::waitCount(std::uint64_t n, int timeoutMs)
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_count.load() >= n; });
  }
}
