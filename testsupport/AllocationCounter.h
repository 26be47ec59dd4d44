// Counts heap allocations in the program that links AllocationCounter.cpp into itself (not through
// a static library the linker might skip), for tests that say a path allocates nothing and for the
// benchmarks' allocations per call. It interposes malloc and its relatives: operator new ends in
// malloc, and so does every allocation omniORB makes, so one hook sees them all. Under a
// sanitizer, which owns malloc, it counts the replaceable operator new instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>

namespace testsupport
{
  // Allocations made so far by the calling thread: the difference across a call tells what that
  // call allocated, whatever other threads do meanwhile.
  std::uint64_t threadAllocations() noexcept;
  // Allocations made so far by every thread of the process.
  std::uint64_t processAllocations() noexcept;
  // One "name:tid=count" entry per thread that allocated (names from /proc), to tell which
  // thread a process's allocations come from.
  void printThreadAllocations(std::ostream& out);

  // What is allocated from its construction on. The largest request is one figure for the whole
  // program, so only one counter at a time may read largest().
  class AllocationCounter
  {
  public:
    AllocationCounter() noexcept;
    // By every thread.
    std::uint64_t allocations() const noexcept;
    // By the thread that constructed the counter; call it from that thread.
    std::uint64_t onThisThread() const noexcept;
    // The largest single request, in octets.
    std::size_t largest() const noexcept;

  private:
    std::uint64_t m_process;
    std::uint64_t m_thread;
  };
}
