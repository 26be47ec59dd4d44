#include "manager/ModuleTypeCache.h"

#include "log/Logger.h"

#include <sys/stat.h>

namespace rtm
{
  ModuleTypeCache::ModuleTypeCache(ModuleTypeProbe probe) : m_probe(std::move(probe)) {}

  std::vector<coil::Properties> ModuleTypeCache::typesOf(const std::string& path)
  {
    struct stat info
    {};
    if (::stat(path.c_str(), &info) != 0)
      return {};
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_entries.find(path);
    if (found != m_entries.end() && found->second.size == static_cast<long long>(info.st_size) &&
        found->second.modified.tv_sec == info.st_mtim.tv_sec && found->second.modified.tv_nsec == info.st_mtim.tv_nsec)
      return found->second.types;

    Entry entry{static_cast<long long>(info.st_size), info.st_mtim, {}};
    std::string error;
    ++m_probesRun;
    if (!m_probe.run(path, entry.types, error))
    {
      entry.types.clear();
      RTM_LOG_WARN("manager", "loadable module " << path << " left out: " << error);
    }
    m_entries[path] = entry;
    return entry.types;
  }

  std::size_t ModuleTypeCache::probesRun() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_probesRun;
  }
}
