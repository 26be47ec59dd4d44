#include "ec/PeriodicTimer.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <time.h>

#include <algorithm>

namespace rtm
{
  namespace
  {
    constexpr std::int64_t kNsPerSecond = 1000000000;
    // Longer sleeps are cut into slices this long so that an interruption (or the context being
    // destroyed) is never kept waiting for a slow period to end.
    constexpr std::int64_t kSleepSliceNs = 10 * 1000 * 1000;
    // Being behind by more than ten periods, and at least this much, means the ticks are lost:
    // bursting through them would only hand the components a batch of back-to-back calls.
    constexpr std::int64_t kResyncFloorNs = 5 * 1000 * 1000;
    // Below this period the loop hardly sleeps; a real-time thread would then take a whole core.
    constexpr std::int64_t kRealtimeMinPeriodNs = 50 * 1000;

    std::int64_t nowNs()
    {
      timespec ts;
      clock_gettime(CLOCK_MONOTONIC, &ts);
      return static_cast<std::int64_t>(ts.tv_sec) * kNsPerSecond + ts.tv_nsec;
    }
  }

  void PeriodicTimer::prepareThread()
  {
    // The default timer slack (50 µs) would make every wake-up up to that much late, a large
    // share of a 100 µs period.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  }

  void PeriodicTimer::setRealtimePriority(int priority) { m_priority = std::clamp(priority, 0, 99); }

  void PeriodicTimer::start(std::int64_t periodNs)
  {
    applyScheduling(periodNs);
    m_deadline = nowNs();
    m_plannedAt = m_epoch.load();
  }

  void PeriodicTimer::replan(std::int64_t periodNs)
  {
    applyScheduling(periodNs);
    m_deadline = nowNs() + periodNs;
    m_plannedAt = m_epoch.load();
  }

  bool PeriodicTimer::sleepToDeadline() const
  {
    for (;;)
    {
      if (m_epoch.load() != m_plannedAt)
      {
        return false;
      }
      const std::int64_t now = nowNs();
      if (now >= m_deadline)
      {
        return true;
      }
      const std::int64_t wake = std::min(m_deadline, now + kSleepSliceNs);
      timespec ts;
      ts.tv_sec = static_cast<time_t>(wake / kNsPerSecond);
      ts.tv_nsec = static_cast<long>(wake % kNsPerSecond);
      // An absolute wake-up time: a signal (EINTR) or a late wake-up does not shift the next one.
      clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
    }
  }

  void PeriodicTimer::tickStarted() { m_stats.recordTick(nowNs() - m_deadline); }

  void PeriodicTimer::tickEnded(std::int64_t periodNs)
  {
    // Deadlines advance by whole periods from the previous one, never from "now".
    m_deadline += periodNs;
    const std::int64_t now = nowNs();
    if (now > m_deadline)
    {
      m_stats.recordOverrun();
      if (now - m_deadline > std::max(10 * periodNs, kResyncFloorNs))
      {
        m_deadline = now;
      }
    }
    m_plannedAt = m_epoch.load();
  }

  void PeriodicTimer::interrupt() { m_epoch.fetch_add(1); }

  void PeriodicTimer::applyScheduling(std::int64_t periodNs)
  {
    // Real-time scheduling keeps a loaded machine's ordinary work from delaying the ticks, but
    // it also lets the loop preempt the threads that serve the component's ports (which keep
    // normal scheduling: see InPortCdrProvider::put). Not permitted (no privilege) means the
    // default scheduling, which is still correct, only less punctual.
    const int wanted = periodNs >= kRealtimeMinPeriodNs ? m_priority.load() : kNormalPriority;
    if (wanted == m_appliedPriority)
    {
      return;
    }
    sched_param param{};
    param.sched_priority = wanted;
    const int policy = wanted == kNormalPriority ? SCHED_OTHER : SCHED_FIFO;
    if (pthread_setschedparam(pthread_self(), policy, &param) == 0)
    {
      m_appliedPriority = wanted;
    }
  }
}
