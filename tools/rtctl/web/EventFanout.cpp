#include "web/EventFanout.h"

#include <algorithm>

namespace rtctl
{
  std::shared_ptr<EventQueue> EventFanout::subscribe(size_t capacity)
  {
    auto queue = std::make_shared<EventQueue>(capacity);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed)
      queue->close();
    else
      m_queues.push_back(queue);
    return queue;
  }

  void EventFanout::publish(const Event& event)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    prune();
    for (const auto& weak : m_queues)
      if (auto queue = weak.lock())
        queue->push(event);
  }

  size_t EventFanout::subscribers()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    prune();
    return m_queues.size();
  }

  void EventFanout::close()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    for (const auto& weak : m_queues)
      if (auto queue = weak.lock())
        queue->close();
    m_queues.clear();
  }

  void EventFanout::prune()
  {
    m_queues.erase(std::remove_if(m_queues.begin(), m_queues.end(),
                                  [](const std::weak_ptr<EventQueue>& weak) {
                                    const std::shared_ptr<EventQueue> queue = weak.lock();
                                    return !queue || queue->closed();
                                  }),
                   m_queues.end());
  }
}
