// Counts heap allocations by interposing malloc and its relatives in the benchmark process.
// operator new ends in malloc, and so does every allocation omniORB makes, so one hook sees
// them all. Linking AllocCounter.cpp into an executable is enough to turn it on.
#pragma once

#include <cstdint>
#include <ostream>

namespace bench
{
  // Allocations made so far by the calling thread: the difference across a call tells what that
  // call allocated, whatever other threads do meanwhile.
  std::uint64_t threadAllocations() noexcept;
  // Allocations made so far by every thread of the process.
  std::uint64_t processAllocations() noexcept;
  // One "name:tid=count" entry per thread that allocated (names from /proc), to tell which
  // thread a process's allocations come from.
  void printThreadAllocations(std::ostream& out);
}
