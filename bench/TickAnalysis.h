// Turns the timestamps of a periodic loop's calls into the figures the table reports, the same way
// for the runtime's execution context and for the bare loop it is compared with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bench
{
  // The catch-up rule of a periodic loop: deadlines advance by whole periods, unless the loop has
  // fallen further behind than this, when it starts again from now (as the runtime's context does).
  std::int64_t resyncThresholdNs(std::int64_t periodNs);

  struct TickFigures
  {
    std::size_t calls = 0;  // calls within `seconds` of the first one
    double lateP50Us = 0;  // lateness of each call against its deadline
    double lateP99Us = 0;
    double lateMaxUs = 0;
    std::size_t resyncs = 0;  // times the loop gave up catching up
    std::vector<double> lateUs;  // one per call in the window, for the plot
  };

  // stamps: monotonic-clock times of the calls, in order. The deadlines are rebuilt by the catch-up
  // rule, each run of whole periods anchored so that its earliest call counts as on time.
  TickFigures analyseTicks(const std::vector<std::int64_t>& stamps, std::size_t count, std::int64_t periodNs,
                           long seconds);

  // p in percent (0..100]; 0 for no values.
  double percentile(std::vector<double> values, double p);

  // One lateness in µs a line; "-" writes nothing.
  void dumpLateness(const std::vector<double>& lateUs, const std::string& path);
}
