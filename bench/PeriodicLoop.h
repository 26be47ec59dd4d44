// A periodic thread as the runtime's execution context runs one: absolute deadlines a period apart,
// 1 ns timer slack, the lowest real-time priority where the process may have it, and the context's
// catch-up rule. Both ends of the loop figure (loop_peer and bare_loop) tick with it, so that only
// what they do in a tick differs.
#pragma once

#include <cstdint>

namespace bench
{
  class PeriodicLoop
  {
  public:
    // Prepares the calling thread, which then owns the loop; the first deadline is one period away.
    explicit PeriodicLoop(double rate);

    // Whether the thread got SCHED_FIFO.
    bool realtime() const { return m_realtime; }
    std::int64_t periodNs() const { return m_periodNs; }
    // Sleeps to the next deadline and answers true, or false without sleeping once that deadline
    // is at or past endNs.
    bool next(std::int64_t endNs);

  private:
    std::int64_t m_periodNs;
    std::int64_t m_deadline;
    bool m_realtime;
    bool m_started = false;
  };

  // CLOCK_MONOTONIC in ns, the clock every benchmark program stamps with.
  std::int64_t monotonicNs();
  // Sleeps until that clock reads `ns` (at once if it is past).
  void sleepUntilNs(std::int64_t ns);
}
