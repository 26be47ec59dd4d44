#include "web/EventQueue.h"

namespace rtctl
{
  EventQueue::EventQueue(size_t capacity) : m_capacity(capacity == 0 ? 1 : capacity) {}

  void EventQueue::push(Event event)
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_closed)
        return;
      if (m_events.size() >= m_capacity)
      {
        m_events.pop_front();
        ++m_dropped;
      }
      m_events.push_back(std::move(event));
    }
    m_changed.notify_one();
  }

  bool EventQueue::pop(Event& out, std::chrono::milliseconds timeout)
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_changed.wait_for(lock, timeout, [this] { return !m_events.empty() || m_closed; }))
      return false;
    if (m_events.empty())
      return false;
    out = std::move(m_events.front());
    m_events.pop_front();
    return true;
  }

  void EventQueue::close()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_closed = true;
    }
    m_changed.notify_all();
  }

  bool EventQueue::closed() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
  }

  bool EventQueue::finished() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed && m_events.empty();
  }

  size_t EventQueue::dropped() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
  }
}
