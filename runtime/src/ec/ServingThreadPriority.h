// Keeps the ORB threads that serve a component's data ports at the scheduling of the execution
// contexts that read them.
//
// A context thread at a real-time priority preempts an ordinary thread at every tick: an ORB
// thread in the middle of a peer's put into an input port is stopped for the tick, and the
// scheduler tends to move it away from the context's core, so the peer waits for a wake-up on
// another core. At the same SCHED_FIFO priority neither preempts the other: the put finishes,
// then the tick runs (or the other way round), both on time.
#pragma once

namespace rtm
{
  class ServingThreadPriority
  {
  public:
    // An execution context's thread now runs at this SCHED_FIFO priority (0: normal scheduling).
    // The serving threads follow the highest priority announced.
    static void announce(int priority);
    // Called by an ORB thread as it serves a data port: it takes on the announced priority. One
    // atomic load once it has.
    static void follow();
  };
}
