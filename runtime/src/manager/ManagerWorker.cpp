#include "manager/ManagerWorker.h"

#include "manager/ShutdownSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace rtm
{
  namespace
  {
    constexpr char kWakeCleanup = 'F';
    constexpr char kWakeShutdown = 'Q';
    constexpr char kWakeStop = 'S';
    constexpr auto kWorkerTick = std::chrono::milliseconds(100);
    // An exit() from a thread other than the owner's waits this long for the worker to stop:
    // the worker may be busy in a shutdown that waits for that very thread, and a process told
    // to exit must not hang.
    constexpr auto kExitWaitLimit = std::chrono::seconds(10);
  }

  ManagerWorker::ManagerWorker(Jobs jobs) : m_jobs(std::move(jobs)), m_ownerThread(std::this_thread::get_id())
  {
    if (::pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
      m_wakePipe[0] = m_wakePipe[1] = -1;
    ShutdownSignals::install(m_wakePipe[1]);
    m_pid = ::getpid();
    m_worker = std::thread([this] { loop(); });
    m_workerId = m_worker.get_id();
  }

  ManagerWorker::~ManagerWorker()
  {
    if (m_worker.joinable())
      m_worker.join();
  }

  void ManagerWorker::wake(char reason)
  {
    if (m_wakePipe[1] >= 0)
    {
      ssize_t written = ::write(m_wakePipe[1], &reason, 1);
      (void)written;  // a full pipe already holds a wake-up
    }
  }

  void ManagerWorker::wakeForCleanup() { wake(kWakeCleanup); }

  void ManagerWorker::askShutdown()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_shutdownRequested = true;
    }
    wake(kWakeShutdown);
  }

  bool ManagerWorker::shutdownRequested()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shutdownRequested;
  }

  void ManagerWorker::loop()
  {
    for (;;)
    {
      pollfd pfd = {m_wakePipe[0], POLLIN, 0};
      ::poll(&pfd, m_wakePipe[0] >= 0 ? 1 : 0, static_cast<int>(kWorkerTick.count()));
      bool signalled = false;
      char buffer[64];
      ssize_t n;
      while (m_wakePipe[0] >= 0 && (n = ::read(m_wakePipe[0], buffer, sizeof buffer)) > 0)
        for (ssize_t i = 0; i < n; ++i)
          signalled = signalled || buffer[i] == ShutdownSignals::kSignalByte || buffer[i] == kWakeShutdown;

      bool shutdown = false;
      bool stop = false;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shutdownRequested = m_shutdownRequested || signalled;
        shutdown = m_shutdownRequested;
        stop = m_stopWorker;
      }
      if (stop)
      {
        m_jobs.cleanup();
        gone();
        return;
      }
      if (shutdown)
      {
        m_jobs.shutdown();
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_shutdownDone = true;
        }
        m_doneCv.notify_all();
        gone();
        return;
      }
      const bool emptied = m_jobs.cleanup();
      const bool idle = m_jobs.timers(std::chrono::steady_clock::now());
      if (emptied || idle)
        askShutdown();
    }
  }

  void ManagerWorker::gone()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_workerGone = true;
    }
    m_doneCv.notify_all();
  }

  void ManagerWorker::run(bool noBlock)
  {
    if (noBlock)
      return;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_running = true;
      m_doneCv.wait(lock, [this] { return m_shutdownDone; });
      m_running = false;
    }
    finish();
  }

  void ManagerWorker::requestShutdown()
  {
    wake(kWakeShutdown);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_shutdownRequested = true;
    // The main thread outside runManager would otherwise return while components still run;
    // any other thread (a handler, an ORB call) must not wait for a sequence that waits for it.
    if (std::this_thread::get_id() == m_ownerThread && !m_running)
    {
      m_doneCv.wait(lock, [this] { return m_shutdownDone; });
      lock.unlock();
      finish();
    }
  }

  void ManagerWorker::stopAtExit()
  {
    // The worker cannot wait for itself; once it has called exit nothing runs behind it there.
    // A forked child has no worker to wait for.
    const std::thread::id caller = std::this_thread::get_id();
    if (caller == m_workerId || ::getpid() != m_pid)
      return;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_finished)
      return;
    if (caller == m_ownerThread)
    {
      // As shutdown() there: nothing the sequence waits for runs on this thread. The ORB is
      // left shut down, not destroyed: static objects of the program may still hold references
      // and type codes, which omniORB's own clean-up after them releases.
      m_shutdownRequested = true;
      lock.unlock();
      wake(kWakeShutdown);
      lock.lock();
      m_doneCv.wait(lock, [this] { return m_shutdownDone; });
      if (m_finishing)
        return;
      m_finishing = true;
      lock.unlock();
      m_worker.join();
      return;
    }
    // Any other thread may be one the sequence would wait for: a component's execution context
    // (its tick is this exit), a call the ORB serves. The worker only finishes what it has (the
    // components already finalized) and stops; the components still running stay as they are.
    m_stopWorker = true;
    lock.unlock();
    wake(kWakeStop);
    lock.lock();
    if (!m_doneCv.wait_for(lock, kExitWaitLimit, [this] { return m_workerGone; }) || m_finishing)
      return;
    m_finishing = true;
    lock.unlock();
    m_worker.join();
  }

  // Whoever gets here first after the shutdown sequence joins the worker and destroys the ORB:
  // runManager or a shutdown() that waits; the exit handler only joins, under the same claim.
  void ManagerWorker::finish()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_finishing)
        return;
      m_finishing = true;
    }
    if (m_worker.joinable())
      m_worker.join();
    m_jobs.destroyOrb();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = true;
  }
}
