// The steady-state data path allocates nothing: once a connection has carried a few samples,
// write (encode once, put to each connection) and read (copy out of the buffer) use only memory
// they already have. Counted by replacing the global allocation functions in this program.
#include "PortFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PORTTEST_COUNTS_ALLOCATIONS 0
#else
#define PORTTEST_COUNTS_ALLOCATIONS 1
#endif

namespace
{
  thread_local bool counting = false;
  thread_local long allocations = 0;

  class CountAllocations
  {
  public:
    CountAllocations()
    {
      allocations = 0;
      counting = true;
    }
    ~CountAllocations() { counting = false; }
    long count() const { return allocations; }
  };
}

#if PORTTEST_COUNTS_ALLOCATIONS
// Never inlined: inlined into a caller, a delete would show the compiler free() on memory from
// operator new, which it reports as a mismatched pair although both sides are these functions.
#define PORTTEST_REPLACED __attribute__((noinline))
PORTTEST_REPLACED void* operator new(std::size_t size)
{
  if (counting)
    ++allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size))
    return p;
  throw std::bad_alloc();
}
PORTTEST_REPLACED void* operator new[](std::size_t size) { return operator new(size); }
PORTTEST_REPLACED void operator delete(void* p) noexcept { std::free(p); }
PORTTEST_REPLACED void operator delete[](void* p) noexcept { std::free(p); }
PORTTEST_REPLACED void operator delete(void* p, std::size_t) noexcept { std::free(p); }
PORTTEST_REPLACED void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif

using namespace porttest;

TEST(AllocationTest, FlushWriteAndReadAllocateNothingOnceWarm)
{
  if (!PORTTEST_COUNTS_ALLOCATIONS)
    GTEST_SKIP() << "the sanitizer owns the allocation functions";
  LongPorts a{"A"};
  LongPorts b{"B"};
  RTC::ConnectorProfile cp = profileFor({a.out.getPortRef(), b.in.getPortRef()});
  ASSERT_EQ(RTC::RTC_OK, connectVia(a.out.getPortRef(), cp));
  for (CORBA::Long i = 0; i < 20; ++i)
  {
    a.outSample = timedLong(i, i, i);
    a.out.write();
    b.in.read();
  }

  {
    // The counter itself must see allocations, or the result below would mean nothing.
    CountAllocations probe;
    std::unique_ptr<int> allocated(new int(1));
    ASSERT_EQ(1, probe.count());
  }

  long counted = 0;
  bool allDelivered = true;
  {
    CountAllocations counter;
    for (CORBA::Long i = 0; i < 100; ++i)
    {
      a.outSample.data = i;
      allDelivered = a.out.write() && b.in.isNew() && b.in.read() && allDelivered;
    }
    counted = counter.count();
  }

  EXPECT_TRUE(allDelivered);
  EXPECT_EQ(0, counted);
}
