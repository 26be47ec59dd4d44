// A bare InPortCdr servant that timestamps each put in the upcall itself, so a sample's arrival
// time is when the ORB hands it over, not when some component next polls a buffer. The sender
// puts a sequence number in each TimedLong's data; the servant keeps one arrival time per number
// (up to a capacity fixed before the run: the upcall allocates nothing) and counts every put.
#pragma once

#include <rtm/idl/DataPort.hh>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace bench
{
  class ArrivalServant : public POA_OpenRTM::InPortCdr
  {
  public:
    ArrivalServant(std::size_t capacity, std::int32_t factor);

    OpenRTM::PortStatus put(const OpenRTM::CdrData& data) override;

    // CLOCK_MONOTONIC ns at which sample seq arrived, or 0 if it has not (or is past capacity).
    std::int64_t arrival(std::int64_t seq) const;
    std::uint64_t count() const { return m_count.load(); }
    // Waits until at least n puts arrived or timeoutMs passed; true if they did.
    bool waitCount(std::uint64_t n, int timeoutMs);

  private:
    const std::size_t m_capacity;
    const std::int32_t m_factor;
    std::unique_ptr<std::atomic<std::int64_t>[]> m_arrival;
    std::atomic<std::uint64_t> m_count{0};
    std::mutex m_mutex;
    std::condition_variable m_arrived;
  };
}
