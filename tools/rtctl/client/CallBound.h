// Bounds every remote call the current thread makes while this object lives, then gives the
// thread back the ORB's usual bound. serve reads many components from one thread: one whose
// process froze must cost that thread a short wait, not the usual long one for every call,
// while the other components wait for their turn.
#pragma once

#include <omnithread.h>

namespace rtctl
{
  class CallBound
  {
  public:
    explicit CallBound(unsigned long milliseconds);
    ~CallBound();
    CallBound(const CallBound&) = delete;
    CallBound& operator=(const CallBound&) = delete;

  private:
    // The ORB keeps per-thread bounds only for its own threads: any other is made one for now.
    omni_thread::ensure_self m_self;
  };
}
