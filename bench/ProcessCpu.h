// CPU time another process has used, read from /proc (schedstat: nanoseconds on a CPU, summed
// over its threads), so a benchmark can charge a process's work to the samples it handled.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <sys/types.h>

namespace bench
{
  struct ThreadCpu
  {
    std::string name;  // the thread's comm, as `top -H` shows it
    std::uint64_t ns = 0;
  };

  // Every thread of pid, by thread id (empty if the process is gone).
  std::map<pid_t, ThreadCpu> threadCpu(pid_t pid);
  // The sum over threads of pid.
  std::uint64_t processCpuNs(pid_t pid);
}
