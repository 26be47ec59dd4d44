// The steady-state data path allocates nothing: once a connection has carried a few samples,
// write (encode once, put to each connection) and read (copy out of the buffer) use only memory
// they already have. Counted on the calling thread, where a flush write runs entirely.
#include "PortFixture.h"
#include "testsupport/AllocationCounter.h"

#include <gtest/gtest.h>

#include <memory>

// A sanitizer owns malloc and adds its own allocations to the data path.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PORTTEST_COUNTS_ALLOCATIONS 0
#else
#define PORTTEST_COUNTS_ALLOCATIONS 1
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
    testsupport::AllocationCounter probe;
    std::unique_ptr<int> allocated(new int(1));
    ASSERT_EQ(1u, probe.onThisThread());
  }

  std::uint64_t counted = 0;
  bool allDelivered = true;
  {
    testsupport::AllocationCounter counter;
    for (CORBA::Long i = 0; i < 100; ++i)
    {
      a.outSample.data = i;
      allDelivered = a.out.write() && b.in.isNew() && b.in.read() && allDelivered;
    }
    counted = counter.onThisThread();
  }

  EXPECT_TRUE(allDelivered);
  EXPECT_EQ(0u, counted);
}
