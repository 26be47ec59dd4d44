#include "PeriodicLoop.h"

#include "TickAnalysis.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <time.h>

#include <cmath>

namespace bench
{
  PeriodicLoop::PeriodicLoop(double rate) : m_periodNs(std::llround(1e9 / rate))
  {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    m_realtime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
    m_deadline = monotonicNs() + m_periodNs;
  }

  bool PeriodicLoop::next(std::int64_t endNs)
  {
    if (m_started)
    {
      m_deadline += m_periodNs;
      const std::int64_t now = monotonicNs();
      if (now - m_deadline > resyncThresholdNs(m_periodNs))
        m_deadline = now;
    }
    m_started = true;
    if (m_deadline >= endNs)
      return false;
    sleepUntilNs(m_deadline);
    return true;
  }

  std::int64_t monotonicNs()
  {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
  }

  void sleepUntilNs(std::int64_t ns)
  {
    const timespec ts{time_t(ns / 1000000000), long(ns % 1000000000)};
    // An absolute wake-up time: a signal (EINTR) only resumes the same sleep.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0)
    {}
  }
}
