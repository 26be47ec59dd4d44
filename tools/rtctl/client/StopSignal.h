// SIGINT, SIGTERM and SIGHUP ask a running inject or print to stop, so that it still disconnects
// from the target and exits cleanly; SIGPIPE is ignored so that a closed output (rtctl print |
// head -1) ends the loop through a failed write instead of killing the process mid-connection.
//
// The signals must reach the main thread, where the loop waits (a read of standard input returns
// on them): the constructor blocks them, so that the ORB's and the execution context's threads,
// made afterwards, inherit the block; listenHere() then unblocks them in the main thread alone.
// The previous handlers and mask come back when this object goes.
#pragma once

#include <signal.h>

namespace rtctl
{
  class StopSignal
  {
  public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void listenHere();
    static bool raised();

  private:
    struct sigaction m_old[4];
    sigset_t m_oldMask;
  };
}
