#include "TickAnalysis.h"

#include <algorithm>
#include <fstream>

namespace bench
{
  std::int64_t resyncThresholdNs(std::int64_t periodNs) { return std::max<std::int64_t>(10 * periodNs, 5000000); }

  double percentile(std::vector<double> v, double p)
  {
    if (v.empty())
      return 0;
    const std::size_t i = std::min(v.size() - 1, std::size_t(p / 100.0 * double(v.size())));
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(i), v.end());
    return v[i];
  }

  TickFigures analyseTicks(const std::vector<std::int64_t>& stamps, std::size_t count, std::int64_t periodNs,
                           long seconds)
  {
    TickFigures f;
    count = std::min(count, stamps.size());
    if (count == 0)
      return f;
    const std::int64_t windowEnd = stamps[0] + seconds * 1000000000LL;
    std::int64_t deadline = stamps[0];
    std::size_t segmentStart = 0;
    // Nobody knows where a segment's first deadline lay, only that no call came before its own:
    // shifting each segment so its earliest call is exactly on time gives lateness beyond the
    // best wake-up this machine managed, never a negative one.
    auto closeSegment = [&f](std::size_t from) {
      if (from >= f.lateUs.size())
        return;
      const double best = *std::min_element(f.lateUs.begin() + std::ptrdiff_t(from), f.lateUs.end());
      for (std::size_t i = from; i < f.lateUs.size(); ++i)
        f.lateUs[i] -= best;
    };
    for (std::size_t k = 0; k < count && stamps[k] < windowEnd; ++k)
    {
      f.lateUs.push_back(double(stamps[k] - deadline) / 1000.0);
      deadline += periodNs;
      // The call's own time stands in for "now" at the end of that tick.
      if (stamps[k] - deadline > resyncThresholdNs(periodNs))
      {
        closeSegment(segmentStart);
        segmentStart = f.lateUs.size();
        deadline = stamps[k];
        ++f.resyncs;
      }
    }
    closeSegment(segmentStart);
    f.calls = f.lateUs.size();
    f.lateP50Us = percentile(f.lateUs, 50);
    f.lateP99Us = percentile(f.lateUs, 99);
    f.lateMaxUs = percentile(f.lateUs, 100);
    return f;
  }

  void dumpLateness(const std::vector<double>& lateUs, const std::string& path)
  {
    if (path == "-")
      return;
    std::ofstream out(path);
    for (double v : lateUs)
      out << v << '\n';
  }
}
