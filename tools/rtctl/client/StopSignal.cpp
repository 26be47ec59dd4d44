#include "client/StopSignal.h"

#include <pthread.h>

#include <csignal>

namespace rtctl
{
  namespace
  {
    volatile std::sig_atomic_t g_raised = 0;
    const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    const int kStopSignals = 3;  // the first three; SIGPIPE is only ignored

    extern "C" void onStop(int) { g_raised = 1; }

    sigset_t stopSet()
    {
      sigset_t set;
      sigemptyset(&set);
      for (int i = 0; i < kStopSignals; ++i)
        sigaddset(&set, kSignals[i]);
      return set;
    }
  }

  StopSignal::StopSignal()
  {
    for (int i = 0; i < 4; ++i)
    {
      struct sigaction action = {};
      // No SA_RESTART: a read of standard input returns, so inject notices the request.
      action.sa_handler = i < kStopSignals ? onStop : SIG_IGN;
      sigemptyset(&action.sa_mask);
      sigaction(kSignals[i], &action, &m_old[i]);
    }
    const sigset_t set = stopSet();
    pthread_sigmask(SIG_BLOCK, &set, &m_oldMask);
  }

  StopSignal::~StopSignal()
  {
    pthread_sigmask(SIG_SETMASK, &m_oldMask, nullptr);
    for (int i = 0; i < 4; ++i)
      sigaction(kSignals[i], &m_old[i], nullptr);
  }

  void StopSignal::listenHere()
  {
    const sigset_t set = stopSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  }

  bool StopSignal::raised() { return g_raised != 0; }
}
