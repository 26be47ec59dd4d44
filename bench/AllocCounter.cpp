#include "AllocCounter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

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

  inline void count() noexcept
  {
    ++t_allocations;
    g_allocations.fetch_add(1, std::memory_order_relaxed);
  }
}

namespace bench
{
  std::uint64_t threadAllocations() noexcept { return t_allocations; }
  std::uint64_t processAllocations() noexcept { return g_allocations.load(std::memory_order_relaxed); }
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
