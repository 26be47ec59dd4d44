// SIGINT and SIGTERM request a clean shutdown. The handler only writes one byte into a pipe
// (async-signal-safe); the manager's worker thread reads it and does the work.
#pragma once

namespace rtm
{
  class ShutdownSignals
  {
  public:
    // Installs the handlers; `wakeFd` is the write end of the worker's wake-up pipe.
    static void install(int wakeFd);
    // The byte the handler writes, so the worker can tell a signal from its other wake-ups.
    static const char kSignalByte = 'S';
  };
}
