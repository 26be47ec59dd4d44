// What one open event stream of the page still has to send: a bounded queue that drops its
// oldest event when a slow browser lets it fill, so that one stuck tab never makes the server
// hold an unbounded backlog. Closing it lets the stream finish what is queued and end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

namespace rtctl
{
  struct Event
  {
    std::string name;  // the event's type, as the page's EventSource listens for it
    std::string data;
  };

  class EventQueue
  {
  public:
    explicit EventQueue(size_t capacity);

    // Drops the oldest event when full.
    void push(Event event);
    // The next event; false when none came within `timeout`, or when closed and empty.
    bool pop(Event& out, std::chrono::milliseconds timeout);
    void close();
    bool closed() const;
    // True once closed and every queued event has been taken.
    bool finished() const;
    size_t dropped() const;

  private:
    const size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Event> m_events;
    size_t m_dropped = 0;
    bool m_closed = false;
  };
}
