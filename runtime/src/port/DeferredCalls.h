// Calls to peers that the caller should not wait for: run one after another on a thread that
// exists only while there is work, so an idle port holds no thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace rtm
{
  class DeferredCalls
  {
  public:
    DeferredCalls() = default;
    DeferredCalls(const DeferredCalls&) = delete;
    DeferredCalls& operator=(const DeferredCalls&) = delete;
    // Runs what is still queued first.
    ~DeferredCalls();

    // Queues `call`; it must not throw.
    void post(std::function<void()> call);
    // Returns once every call posted before is done.
    void drain();

  private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_queue;
    std::thread m_thread;
    bool m_running = false;
  };
}
