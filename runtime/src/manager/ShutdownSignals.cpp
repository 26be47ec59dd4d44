#include "manager/ShutdownSignals.h"

#include <csignal>
#include <unistd.h>

namespace rtm
{
  namespace
  {
    volatile sig_atomic_t g_wakeFd = -1;

    void onShutdownSignal(int)
    {
      const int fd = g_wakeFd;
      if (fd >= 0)
      {
        const char byte = ShutdownSignals::kSignalByte;
        ssize_t written = ::write(fd, &byte, 1);
        (void)written;  // a full pipe already holds a wake-up
      }
    }
  }

  void ShutdownSignals::install(int wakeFd)
  {
    g_wakeFd = wakeFd;
    struct sigaction action = {};
    action.sa_handler = onShutdownSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
}
