// Which slave of a manager to act on (`--slave N`): by its index as the master lists its slaves,
// or by the host it runs on.
#pragma once

#include <cstddef>
#include <string>

namespace rtctl
{
  struct SlaveChoice
  {
    enum Kind
    {
      kNone,  // the manager itself
      kIndex,  // as `mgr slaves` numbers them
      kHost,  // the one slave on that host
    };
    Kind kind = kNone;
    size_t index = 0;
    std::string host;

    // "2" → index 2; "myhost" → host; "" or "-1" → UsageError.
    static SlaveChoice parse(const std::string& text);
  };
}
