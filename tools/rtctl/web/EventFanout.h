// One source of events (the system's snapshots, one port's samples) and the open streams that
// receive them. A stream subscribes with a queue of its own and unsubscribes by closing it or
// letting go of it, so a browser that vanished costs nothing once its stream has ended.
#pragma once

#include "web/EventQueue.h"

#include <memory>
#include <mutex>
#include <vector>

namespace rtctl
{
  class EventFanout
  {
  public:
    // A closed fanout hands out queues that are closed already.
    std::shared_ptr<EventQueue> subscribe(size_t capacity);
    void publish(const Event& event);
    // Streams whose queue is still open.
    size_t subscribers();
    // Ends every stream (after what is queued) and every later one.
    void close();

  private:
    void prune();

    std::mutex m_mutex;
    std::vector<std::weak_ptr<EventQueue>> m_queues;
    bool m_closed = false;
  };
}
