// The manager's worker thread and the shutdown it runs. It wakes on a pipe (shutdown signals, a
// component that finalized, a shutdown asked for) or every tenth of a second for the timers.
//
// Threads: the main thread owns the manager and blocks in run(); any thread may ask for a
// shutdown; the worker runs the jobs below and, on shutdown, the shutdown job. Whoever gets here
// first after the shutdown joins the worker and destroys the ORB: run(), a shutdown() that waits,
// or (joining only) the exit handler.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <sys/types.h>
#include <thread>

namespace rtm
{
  class ManagerWorker
  {
  public:
    struct Jobs
    {
      // Deletes the components that finalized; true when the manager should shut down.
      std::function<bool()> cleanup;
      // Runs the timers due; true when the manager should shut down.
      std::function<bool(std::chrono::steady_clock::time_point now)> timers;
      // Exits and deletes every component and shuts the ORB down.
      std::function<void()> shutdown;
      std::function<void()> destroyOrb;
    };

    // Starts the thread and routes SIGINT and SIGTERM to it. The calling thread is the owner.
    explicit ManagerWorker(Jobs jobs);
    ~ManagerWorker();

    // Blocks until the manager has shut down, then finishes it, unless `noBlock`.
    void run(bool noBlock);
    // Asks for a shutdown; waits for it when called from the owner's thread and run() is not
    // blocking there.
    void requestShutdown();
    bool shutdownRequested();
    // A component finalized: the worker deletes it.
    void wakeForCleanup();
    // Run when the process exits (exit, or main returning) without a shutdown, so that the
    // worker no longer runs, nor deletes components, once the static objects omniORB's calls
    // rely on are gone: from the owner's thread the orderly stop of shutdown(); from any other
    // the worker's stop alone. Nothing on the worker itself, nor in a forked child.
    void stopAtExit();

  private:
    void loop();
    void wake(char reason);
    void askShutdown();
    void gone();
    void finish();

    const Jobs m_jobs;
    const std::thread::id m_ownerThread;
    std::mutex m_mutex;  // may be taken while the component table's is held, never the other way
    std::condition_variable m_doneCv;
    bool m_shutdownRequested = false;
    bool m_shutdownDone = false;
    bool m_running = false;  // run() is blocking
    bool m_finishing = false;  // someone joins the worker (and destroys the ORB)
    bool m_finished = false;  // run() or shutdown() destroyed the ORB
    bool m_stopWorker = false;  // the process exits: the worker stops without the shutdown sequence
    bool m_workerGone = false;

    int m_wakePipe[2] = {-1, -1};
    pid_t m_pid = -1;
    std::thread m_worker;
    std::thread::id m_workerId;
  };
}
