// The baseline for the execution-context figures: what this machine gives a bare periodic loop.
// One thread sleeps to absolute deadlines at RATE, with the timer slack, scheduling (the lowest
// real-time priority, where permitted) and catch-up rule of the runtime's context, and timestamps each wake-up into an array allocated beforehand; the figures
// come from the same analysis as ec_rate_host's, plus the lateness against the deadlines the loop
// really used ("true_late", comparable with the context's own counter). It runs for exactly RATE*SECONDS wake-ups, so
// its call count only shows how many of them fell within SECONDS.
//   bare_ticker RATE SECONDS DUMPFILE|-
#include "BenchNaming.h"
#include "TickAnalysis.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <time.h>

#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

namespace
{
  std::int64_t nowNs()
  {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
  }
}

int main(int argc, char** argv)
{
  if (argc != 4)
  {
    std::cerr << "usage: bare_ticker RATE SECONDS DUMPFILE|-\n";
    return 2;
  }
  const long rate = bench::argNumber(argv[1], "RATE");
  const long seconds = bench::argNumber(argv[2], "SECONDS");
  const std::string dump = argv[3];
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  sched_param param{};
  param.sched_priority = sched_get_priority_min(SCHED_FIFO);
  const bool realtime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;

  const std::int64_t periodNs = 1000000000 / rate;
  const std::size_t count = std::size_t(rate * seconds);
  std::vector<std::int64_t> stamps(count);
  std::vector<double> trueLateUs(count);  // against the deadlines this loop really used
  std::int64_t deadline = nowNs();
  for (std::size_t k = 0; k < count; ++k)
  {
    timespec ts;
    ts.tv_sec = time_t(deadline / 1000000000);
    ts.tv_nsec = long(deadline % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0)
    {}
    stamps[k] = nowNs();
    trueLateUs[k] = double(stamps[k] - deadline) / 1000.0;
    deadline += periodNs;
    const std::int64_t now = nowNs();
    if (now - deadline > bench::resyncThresholdNs(periodNs))
      deadline = now;
  }

  const bench::TickFigures fig = bench::analyseTicks(stamps, count, periodNs, seconds);
  std::cout << "rate=" << rate << " seconds=" << seconds << " calls=" << fig.calls << " late_p50_us=" << fig.lateP50Us
            << " late_p99_us=" << fig.lateP99Us << " late_max_us=" << fig.lateMaxUs << " resyncs=" << fig.resyncs
            << " true_late_p50_us=" << bench::percentile(trueLateUs, 50)
            << " true_late_p99_us=" << bench::percentile(trueLateUs, 99) << " realtime=" << realtime << std::endl;
  bench::dumpLateness(fig.lateUs, dump);
  return 0;
}
