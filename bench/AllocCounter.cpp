#include "AllocCounter.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <fstream>
#include <string>

// glibc's own entry points: the hooks below forward to them, so memory from either side can be
// freed by the other.
extern "C"
{
  void* __libc_malloc(std::size_t size);
  void* __libc_calloc(std::size_t count, std::size_t size);
  void* __libc_realloc(void* ptr, std::size_t size);
  void* __libc_memalign(std::size_t alignment, std::size_t size);
  void __libc_free(void* ptr);
}

namespace
{
  // Plain zero-initialised data: no constructor runs, so the first call from any thread (even
  // before main, or inside thread start-up) is safe.
  thread_local std::uint64_t t_allocations = 0;
  std::atomic<std::uint64_t> g_allocations{0};

  // Per-thread totals in a fixed table (no allocation inside the hook); threads beyond it are
  // only in the process total.
  constexpr int kThreadSlots = 128;
  struct ThreadSlot
  {
    std::atomic<long> tid{0};
    std::atomic<std::uint64_t> count{0};
  };
  ThreadSlot g_threads[kThreadSlots];
  std::atomic<int> g_usedSlots{0};
  thread_local int t_slot = -1;

  inline void count() noexcept
  {
    ++t_allocations;
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (t_slot == -1)
    {
      const int slot = g_usedSlots.fetch_add(1);
      t_slot = slot < kThreadSlots ? slot : kThreadSlots;
      if (slot < kThreadSlots)
        g_threads[slot].tid.store(syscall(SYS_gettid));
    }
    if (t_slot < kThreadSlots)
      g_threads[t_slot].count.fetch_add(1, std::memory_order_relaxed);
  }
}

namespace bench
{
  std::uint64_t threadAllocations() noexcept { return t_allocations; }
  std::uint64_t processAllocations() noexcept { return g_allocations.load(std::memory_order_relaxed); }

  void printThreadAllocations(std::ostream& out)
  {
    const int used = std::min(g_usedSlots.load(), kThreadSlots);
    for (int i = 0; i < used; ++i)
    {
      const long tid = g_threads[i].tid.load();
      std::string name = "gone";
      std::ifstream comm("/proc/self/task/" + std::to_string(tid) + "/comm");
      std::getline(comm, name);
      out << (i ? " " : "") << name << ':' << tid << '=' << g_threads[i].count.load();
    }
    out << '\n';
  }
}

extern "C"
{
  void* malloc(std::size_t size)
  {
    count();
    return __libc_malloc(size);
  }

  void* calloc(std::size_t n, std::size_t size)
  {
    count();
    return __libc_calloc(n, size);
  }

  void* realloc(void* ptr, std::size_t size)
  {
    count();
    return __libc_realloc(ptr, size);
  }

  void free(void* ptr) { __libc_free(ptr); }

  void* memalign(std::size_t alignment, std::size_t size)
  {
    count();
    return __libc_memalign(alignment, size);
  }

  void* aligned_alloc(std::size_t alignment, std::size_t size)
  {
    count();
    return __libc_memalign(alignment, size);
  }

  int posix_memalign(void** out, std::size_t alignment, std::size_t size)
  {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
      return EINVAL;
    count();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr)
      return ENOMEM;
    *out = p;
    return 0;
  }
}
