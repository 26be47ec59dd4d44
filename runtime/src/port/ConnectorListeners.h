// The connector listeners a data port holds, one list per type, shared by all its connections.
// Each list is replaced, never changed in place, so a notification walks a snapshot without a
// lock: listeners may add or remove listeners, or call the port, and a removed listener is
// deleted only once no notification still uses it.
#pragma once

#include "transport/CdrCodec.h"

#include <rtm/ConnectorListener.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace rtm
{
  class ConnectorListeners
  {
  public:
    ConnectorListeners();
    ConnectorListeners(const ConnectorListeners&) = delete;
    ConnectorListeners& operator=(const ConnectorListeners&) = delete;

    void addData(RTC::ConnectorDataListenerType type, RTC::ConnectorDataListener* listener, bool autoclean);
    void removeData(RTC::ConnectorDataListenerType type, RTC::ConnectorDataListener* listener);
    void add(RTC::ConnectorListenerType type, RTC::ConnectorListener* listener, bool autoclean);
    void remove(RTC::ConnectorListenerType type, RTC::ConnectorListener* listener);

    // A listener that throws is reported once and keeps being called.
    void notifyData(RTC::ConnectorDataListenerType type, const RTC::ConnectorInfo& info, ByteOrder order,
                    const CORBA::Octet* octets, std::size_t length) noexcept;
    void notify(RTC::ConnectorListenerType type, const RTC::ConnectorInfo& info) noexcept;

  private:
    template <class Listener>
    struct Entry
    {
      Entry(Listener* l, bool clean) : listener(l), autoclean(clean) {}
      ~Entry()
      {
        if (autoclean)
          delete listener;
      }
      Listener* listener;
      bool autoclean;
      std::atomic<bool> warned{false};
    };

    template <class Listener>
    struct List
    {
      std::shared_ptr<const std::vector<std::shared_ptr<Entry<Listener>>>> entries;
      std::atomic<std::size_t> count{0};  // read without the lock, to skip empty lists cheaply
    };

    template <class Listener>
    void addTo(List<Listener>& list, Listener* listener, bool autoclean);
    template <class Listener>
    void removeFrom(List<Listener>& list, Listener* listener);
    template <class Listener>
    std::shared_ptr<const std::vector<std::shared_ptr<Entry<Listener>>>> snapshot(const List<Listener>& list) const;

    mutable std::mutex m_mutex;  // guards replacing the lists' entries
    List<RTC::ConnectorDataListener> m_data[RTC::CONNECTOR_DATA_LISTENER_NUM];
    List<RTC::ConnectorListener> m_plain[RTC::CONNECTOR_LISTENER_NUM];
  };
}
