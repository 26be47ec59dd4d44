// The observer object rtctl attaches to one component: every update_status the component sends
// becomes a WatchEvent for the sink, which may outlive or be closed before the servant.
#pragma once

#include "client/WatchEvent.h"

#include <rtm/idl/ComponentObserver.hh>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace rtctl
{
  // Where events of every servant of one watcher go: one at a time, and nowhere once closed.
  class EventSink
  {
  public:
    explicit EventSink(std::function<void(const WatchEvent&)> callback);
    void deliver(const WatchEvent& event);
    // Waits for a delivery in progress; later ones are dropped.
    void close();

  private:
    std::mutex m_mutex;
    std::function<void(const WatchEvent&)> m_callback;
    bool m_open = true;
  };

  class ObserverServant : public POA_OpenRTM::ComponentObserver
  {
  public:
    ObserverServant(std::string label, std::shared_ptr<EventSink> sink);

    void update_status(OpenRTM::StatusKind kind, const char* hint) override;

    // When the component was last heard from: an update or a heartbeat.
    std::chrono::steady_clock::time_point lastHeard() const;

    static std::string kindName(OpenRTM::StatusKind kind);

  private:
    const std::string m_label;
    std::shared_ptr<EventSink> m_sink;
    mutable std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_lastHeard;
  };
}
