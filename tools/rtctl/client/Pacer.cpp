#include "client/Pacer.h"

#include <algorithm>
#include <thread>
#include <time.h>

namespace rtctl
{
  Pacer::Pacer(double rate)
    : m_period(rate > 0 ? std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(1.0 / rate))
                        : std::chrono::steady_clock::duration::zero())
  {}

  void Pacer::waitTurn()
  {
    const auto now = std::chrono::steady_clock::now();
    if (!m_started || m_period == std::chrono::steady_clock::duration::zero())
    {
      m_started = true;
      m_next = now + m_period;
      return;
    }
    if (m_next > now)
      std::this_thread::sleep_until(m_next);
    // After a long pause (a slow standard input) start afresh rather than send a burst.
    m_next = std::max(m_next, now) + m_period;
  }

  RTC::Time Pacer::now()
  {
    timespec ts = {};
    clock_gettime(CLOCK_REALTIME, &ts);
    RTC::Time stamp;
    stamp.sec = static_cast<CORBA::ULong>(ts.tv_sec);
    stamp.nsec = static_cast<CORBA::ULong>(ts.tv_nsec);
    return stamp;
  }
}
