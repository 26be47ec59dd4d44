// Starting and stopping a saved system: every running component of the file activated (or
// deactivated) in its first execution context, required components first, each group in file
// order, so that what others depend on runs first.
#pragma once

#include "client/StateRequest.h"
#include "system/LiveSystem.h"

#include <ostream>

namespace rtctl
{
  class SystemActivation
  {
  public:
    // Throws Error for a running component without an execution context to do it in.
    static void checkContexts(const LiveSystem& system);
    // One line a component on `out`; a refusal on `err`. False when any failed.
    static bool apply(const LiveSystem& system, StateRequest::Kind kind, std::ostream& out, std::ostream& err);
  };
}
