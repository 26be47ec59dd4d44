#include "client/ObserverServant.h"

namespace rtctl
{
  EventSink::EventSink(std::function<void(const WatchEvent&)> callback) : m_callback(std::move(callback)) {}

  void EventSink::deliver(const WatchEvent& event)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_open && m_callback)
      m_callback(event);
  }

  void EventSink::close()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_open = false;
  }

  ObserverServant::ObserverServant(std::string label, std::shared_ptr<EventSink> sink)
    : m_label(std::move(label)), m_sink(std::move(sink)), m_lastHeard(std::chrono::steady_clock::now())
  {}

  void ObserverServant::update_status(OpenRTM::StatusKind kind, const char* hint)
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_lastHeard = std::chrono::steady_clock::now();
    }
    m_sink->deliver({m_label, kindName(kind), hint != nullptr ? hint : "", std::chrono::system_clock::now()});
  }

  std::chrono::steady_clock::time_point ObserverServant::lastHeard() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastHeard;
  }

  std::string ObserverServant::kindName(OpenRTM::StatusKind kind)
  {
    switch (kind)
    {
      case OpenRTM::COMPONENT_PROFILE:
        return "COMPONENT_PROFILE";
      case OpenRTM::RTC_STATUS:
        return "RTC_STATUS";
      case OpenRTM::EC_STATUS:
        return "EC_STATUS";
      case OpenRTM::PORT_PROFILE:
        return "PORT_PROFILE";
      case OpenRTM::CONFIGURATION:
        return "CONFIGURATION";
      case OpenRTM::HEARTBEAT:
        return "HEARTBEAT";
      default:
        return "STATUS_" + std::to_string(static_cast<int>(kind));
    }
  }
}
