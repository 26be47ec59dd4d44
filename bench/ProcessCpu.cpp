#include "ProcessCpu.h"

#include <dirent.h>

#include <fstream>

namespace bench
{
  std::map<pid_t, ThreadCpu> threadCpu(pid_t pid)
  {
    std::map<pid_t, ThreadCpu> threads;
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR* d = opendir(dir.c_str());
    if (d == nullptr)
      return threads;
    while (const dirent* e = readdir(d))
    {
      if (e->d_name[0] < '0' || e->d_name[0] > '9')
        continue;
      const std::string task = dir + "/" + e->d_name;
      ThreadCpu t;
      std::ifstream(task + "/schedstat") >> t.ns;
      std::getline(std::ifstream(task + "/comm"), t.name);
      threads[pid_t(std::stol(e->d_name))] = t;
    }
    closedir(d);
    return threads;
  }

  std::uint64_t processCpuNs(pid_t pid)
  {
    std::uint64_t sum = 0;
    for (const auto& t : threadCpu(pid))
      sum += t.second.ns;
    return sum;
  }
}
