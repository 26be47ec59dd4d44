// TrimulComp's start-up phase by phase: the launcher's own steps, with a timestamp after each, so
// the table's start-up figure can be traced to the phase that costs the time. startup_probe puts
// its spawn time in BENCH_SPAWN_NS (CLOCK_MONOTONIC), so "main" covers exec, the dynamic loader
// and static initialisers. Prints one line, then serves like TrimulComp:
//   phase_main_us= phase_init_us= phase_create_us= phase_activate_us=
#include "Trimul.h"

#include <time.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>

namespace
{
  std::int64_t nowNs()
  {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
  }

  std::int64_t g_createNs = 0;

  void moduleInit(RTC::Manager* manager)
  {
    const std::int64_t t0 = nowNs();
    TrimulInit(manager);
    if (manager->createComponent("Trimul") == nullptr)
      std::abort();
    g_createNs = nowNs() - t0;
  }

  long us(std::int64_t ns) { return long(ns / 1000); }
}

int main(int argc, char** argv)
{
  const std::int64_t atMain = nowNs();
  const char* spawn = std::getenv("BENCH_SPAWN_NS");
  const std::int64_t spawnNs = spawn != nullptr ? std::atoll(spawn) : atMain;

  RTC::Manager* manager = RTC::Manager::init(argc, argv);
  const std::int64_t afterInit = nowNs();
  manager->setModuleInitProc(moduleInit);
  manager->activateManager();
  const std::int64_t afterActivate = nowNs();
  // Creating the component (and binding its name) happens inside activateManager.
  std::cout << "phase_main_us=" << us(atMain - spawnNs) << " phase_init_us=" << us(afterInit - atMain)
            << " phase_create_us=" << us(g_createNs)
            << " phase_activate_us=" << us(afterActivate - afterInit - g_createNs) << std::endl;
  manager->runManager(false);
  return 0;
}
