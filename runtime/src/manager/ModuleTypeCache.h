// The component types of each module file on the load path, learned once per version of the
// file: a listing asks the probe only for files it has not seen with that size and modification
// time, so listing the loadable modules again starts no process. A file whose types could not be
// learned is remembered too (and logged once), until it changes.
#pragma once

#include "manager/ModuleTypeProbe.h"

#include <coil/Properties.h>

#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace rtm
{
  class ModuleTypeCache
  {
  public:
    explicit ModuleTypeCache(ModuleTypeProbe probe);

    // The types of the module at `path` (absolute, checked already as a module load would
    // check it); empty when it registers none or they cannot be learned.
    std::vector<coil::Properties> typesOf(const std::string& path);

    // How many times the probe ran; what a test reads to see that the cache answered.
    std::size_t probesRun() const;

  private:
    struct Entry
    {
      long long size;
      std::timespec modified;
      std::vector<coil::Properties> types;
    };

    const ModuleTypeProbe m_probe;
    // Held while a probe runs: two listings at once learn a module's types once.
    mutable std::mutex m_mutex;
    std::map<std::string, Entry> m_entries;
    std::size_t m_probesRun = 0;
  };
}
