// The clock of a periodic loop: absolute deadlines a whole period apart (so the time a tick takes
// never accumulates into drift), sleeps that another thread can cut short, overrun and lateness
// counting, and the scheduling of the thread that runs the loop.
//
// Everything but interrupt() and the statistics belongs to the loop's own thread.
#pragma once

#include "ec/TickStatistics.h"

#include <atomic>
#include <cstdint>

namespace rtm
{
  class PeriodicTimer
  {
  public:
    // No real-time scheduling: the thread keeps the process's normal policy.
    static constexpr int kNormalPriority = 0;

    // Prepares the calling thread for punctual wake-ups (timer slack).
    void prepareThread();
    // 0 keeps normal scheduling; 1..99 asks for SCHED_FIFO at that priority whenever the period
    // leaves the thread time to sleep. Takes effect at the next start() or replan().
    void setRealtimePriority(int priority);

    // A new time base after idling: the first tick is due at once.
    void start(std::int64_t periodNs);
    // A new time base after an interruption (a new period, a stop): the next tick is one period
    // from now.
    void replan(std::int64_t periodNs);
    // Sleeps until the planned deadline. False when interrupt() was called since the deadline
    // was planned: the caller looks at why and replans.
    bool sleepToDeadline() const;
    // The tick due at the deadline begins now: its lateness is recorded.
    void tickStarted();
    // The tick is over: the next deadline is one period after this one. A tick that ended past
    // the next deadline is an overrun; one far behind gives up the lost ticks instead of
    // bursting through them.
    void tickEnded(std::int64_t periodNs);

    // Any thread: the current sleep ends, and sleepToDeadline() answers false.
    void interrupt();

    TickStatistics& statistics() { return m_stats; }
    const TickStatistics& statistics() const { return m_stats; }

  private:
    void applyScheduling(std::int64_t periodNs);

    std::atomic<std::uint64_t> m_epoch{0};
    std::atomic<int> m_priority{kNormalPriority};
    std::int64_t m_deadline = 0;
    std::uint64_t m_plannedAt = 0;
    int m_appliedPriority = kNormalPriority;
    TickStatistics m_stats;
  };
}
