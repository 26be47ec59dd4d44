#include "ec/ServingThreadPriority.h"

#include <pthread.h>
#include <sched.h>

#include <atomic>

namespace rtm
{
  namespace
  {
    std::atomic<int> g_announced{0};
  }

  void ServingThreadPriority::announce(int priority)
  {
    int current = g_announced.load();
    while (priority > current && !g_announced.compare_exchange_weak(current, priority))
    {}
  }

  void ServingThreadPriority::follow()
  {
    // What this thread last asked for (normal scheduling to begin with).
    thread_local int applied = 0;
    const int wanted = g_announced.load(std::memory_order_relaxed);
    if (wanted == applied)
      return;
    sched_param param{};
    param.sched_priority = wanted;
    pthread_setschedparam(pthread_self(), wanted == 0 ? SCHED_OTHER : SCHED_FIFO, &param);
    // A refusal is not retried at every call: the thread serves at normal priority.
    applied = wanted;
  }
}
