// A broken invariant must stop the fuzzer the way a crash does, so libFuzzer saves the input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz
{

  inline void require(bool holds, const char* invariant)
  {
    if (!holds)
    {
      std::fprintf(stderr, "fuzz invariant broken: %s\n", invariant);
      std::abort();
    }
  }

}  // namespace fuzz
