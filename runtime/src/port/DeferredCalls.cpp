#include "port/DeferredCalls.h"

namespace rtm
{
  DeferredCalls::~DeferredCalls() { drain(); }

  void DeferredCalls::post(std::function<void()> call)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(std::move(call));
    if (m_running)
      return;
    // The last thread said it was done under this lock; what is left of it is only its exit.
    if (m_thread.joinable())
      m_thread.join();
    m_running = true;
    m_thread = std::thread(&DeferredCalls::run, this);
  }

  void DeferredCalls::drain()
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_running; });
    std::thread finished = std::move(m_thread);
    lock.unlock();
    if (finished.joinable())
      finished.join();
  }

  void DeferredCalls::run()
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_queue.empty())
    {
      std::function<void()> call = std::move(m_queue.front());
      m_queue.pop_front();
      lock.unlock();
      call();
      lock.lock();
    }
    m_running = false;
    m_idle.notify_all();
  }
}
