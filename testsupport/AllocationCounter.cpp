#include "testsupport/AllocationCounter.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

// A sanitizer owns malloc, and interposing it would take its bookkeeping away: there the counter
// counts the replaceable operator new instead, which the sanitizer lets a program supply.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TESTSUPPORT_HOOKS_MALLOC 0
#else
#define TESTSUPPORT_HOOKS_MALLOC 1
#endif

#if TESTSUPPORT_HOOKS_MALLOC
// glibc's own entry points: the hooks below forward to them, so memory from either side can be
// freed by the other.
// NOLINTBEGIN(bugprone-reserved-identifier): glibc's own names for its allocator
extern "C"
{
  void* __libc_malloc(std::size_t size);
  void* __libc_calloc(std::size_t count, std::size_t size);
  void* __libc_realloc(void* ptr, std::size_t size);
  void* __libc_memalign(std::size_t alignment, std::size_t size);
  void __libc_free(void* ptr);
}
// NOLINTEND(bugprone-reserved-identifier)
#endif

namespace
{
  // Plain zero-initialised data: no constructor runs, so the first call from any thread (even
  // before main, or inside thread start-up) is safe.
  thread_local std::uint64_t t_allocations = 0;
  std::atomic<std::uint64_t> g_allocations{0};
  std::atomic<std::size_t> g_largest{0};

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

  inline void count(std::size_t size) noexcept
  {
    std::size_t largest = g_largest.load(std::memory_order_relaxed);
    while (size > largest && !g_largest.compare_exchange_weak(largest, size, std::memory_order_relaxed))
    {}
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

namespace testsupport
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

  AllocationCounter::AllocationCounter() noexcept : m_process(processAllocations()), m_thread(threadAllocations())
  {
    g_largest.store(0);
  }
  std::uint64_t AllocationCounter::allocations() const noexcept { return processAllocations() - m_process; }
  std::uint64_t AllocationCounter::onThisThread() const noexcept { return threadAllocations() - m_thread; }
  std::size_t AllocationCounter::largest() const noexcept { return g_largest.load(); }
}

#if TESTSUPPORT_HOOKS_MALLOC

extern "C"
{
  void* malloc(std::size_t size)
  {
    count(size);
    return __libc_malloc(size);
  }

  void* calloc(std::size_t n, std::size_t size)
  {
    count(n * size);
    return __libc_calloc(n, size);
  }

  void* realloc(void* ptr, std::size_t size)
  {
    count(size);
    return __libc_realloc(ptr, size);
  }

  void free(void* ptr) { __libc_free(ptr); }

  void* memalign(std::size_t alignment, std::size_t size)
  {
    count(size);
    return __libc_memalign(alignment, size);
  }

  void* aligned_alloc(std::size_t alignment, std::size_t size)
  {
    count(size);
    return __libc_memalign(alignment, size);
  }

  int posix_memalign(void** out, std::size_t alignment, std::size_t size)
  {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
      return EINVAL;
    count(size);
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr)
      return ENOMEM;
    *out = p;
    return 0;
  }
}
#else
// Out of line, in this file only: inlined into a caller, a delete would show the compiler free()
// on memory from operator new, which it reports as a mismatched pair.
void* operator new(std::size_t size)
{
  count(size);
  if (void* p = std::malloc(size == 0 ? 1 : size))
    return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  count(size);
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif
