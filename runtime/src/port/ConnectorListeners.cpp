#include "port/ConnectorListeners.h"

#include "log/Logger.h"
#include "log/ServantBoundary.h"

#include <algorithm>

namespace rtm
{
  namespace
  {
    bool knownDataType(RTC::ConnectorDataListenerType type)
    {
      return type >= RTC::ON_BUFFER_WRITE && type < RTC::CONNECTOR_DATA_LISTENER_NUM;
    }

    bool knownPlainType(RTC::ConnectorListenerType type)
    {
      return type >= RTC::ON_BUFFER_EMPTY && type < RTC::CONNECTOR_LISTENER_NUM;
    }
  }

  ConnectorListeners::ConnectorListeners()
  {
    for (auto& list : m_data)
      list.entries = std::make_shared<std::vector<std::shared_ptr<Entry<RTC::ConnectorDataListener>>>>();
    for (auto& list : m_plain)
      list.entries = std::make_shared<std::vector<std::shared_ptr<Entry<RTC::ConnectorListener>>>>();
  }

  template <class Listener>
  void ConnectorListeners::addTo(List<Listener>& list, Listener* listener, bool autoclean)
  {
    auto entry = std::make_shared<Entry<Listener>>(listener, autoclean);
    std::lock_guard<std::mutex> lock(m_mutex);
    auto next = std::make_shared<std::vector<std::shared_ptr<Entry<Listener>>>>(*list.entries);
    next->push_back(entry);
    list.entries = next;
    list.count.store(next->size());
  }

  template <class Listener>
  void ConnectorListeners::removeFrom(List<Listener>& list, Listener* listener)
  {
    std::shared_ptr<const std::vector<std::shared_ptr<Entry<Listener>>>> before;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto next = std::make_shared<std::vector<std::shared_ptr<Entry<Listener>>>>(*list.entries);
      next->erase(
        std::remove_if(next->begin(), next->end(),
                       [listener](const std::shared_ptr<Entry<Listener>>& e) { return e->listener == listener; }),
        next->end());
      before = list.entries;
      list.entries = next;
      list.count.store(next->size());
    }
    // `before` goes here, outside the lock: a listener's destructor may call the port.
  }

  template <class Listener>
  std::shared_ptr<const std::vector<std::shared_ptr<ConnectorListeners::Entry<Listener>>>>
  ConnectorListeners::snapshot(const List<Listener>& list) const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return list.entries;
  }

  void ConnectorListeners::addData(RTC::ConnectorDataListenerType type, RTC::ConnectorDataListener* listener,
                                   bool autoclean)
  {
    if (listener == nullptr)
      return;
    if (!knownDataType(type))
    {
      RTM_LOG_WARN("port", "addConnectorDataListener: unknown listener type "
                             << static_cast<int>(type) << "; use ON_BUFFER_WRITE..ON_RECEIVER_ERROR");
      if (autoclean)
        delete listener;
      return;
    }
    addTo(m_data[type], listener, autoclean);
  }

  void ConnectorListeners::removeData(RTC::ConnectorDataListenerType type, RTC::ConnectorDataListener* listener)
  {
    if (knownDataType(type))
      removeFrom(m_data[type], listener);
  }

  void ConnectorListeners::add(RTC::ConnectorListenerType type, RTC::ConnectorListener* listener, bool autoclean)
  {
    if (listener == nullptr)
      return;
    if (!knownPlainType(type))
    {
      RTM_LOG_WARN("port", "addConnectorListener: unknown listener type " << static_cast<int>(type)
                                                                          << "; use ON_BUFFER_EMPTY..ON_DISCONNECT");
      if (autoclean)
        delete listener;
      return;
    }
    addTo(m_plain[type], listener, autoclean);
  }

  void ConnectorListeners::remove(RTC::ConnectorListenerType type, RTC::ConnectorListener* listener)
  {
    if (knownPlainType(type))
      removeFrom(m_plain[type], listener);
  }

  void ConnectorListeners::notifyData(RTC::ConnectorDataListenerType type, const RTC::ConnectorInfo& info,
                                      ByteOrder order, const CORBA::Octet* octets, std::size_t length) noexcept
  {
    if (!knownDataType(type) || m_data[type].count.load() == 0)
      return;
    try
    {
      const auto entries = snapshot(m_data[type]);
      // Listeners read the sample as a stream of its own, aligned as it was on the wire.
      cdrMemoryStream stream(static_cast<CORBA::ULong>(length));
      stream.setByteSwapFlag(order == ByteOrder::Little);
      if (length > 0)
        stream.put_octet_array(octets, static_cast<CORBA::ULong>(length));
      for (const auto& entry : *entries)
      {
        try
        {
          stream.rewindInputPtr();
          (*entry->listener)(info, stream);
        }
        catch (...)
        {
          if (!entry->warned.exchange(true))
            RTM_LOG_WARN("port", "connection '" << info.id << "': a listener of "
                                                << RTC::ConnectorDataListener::toString(type) << " failed ("
                                                << currentExceptionText() << "); the port goes on");
        }
      }
    }
    catch (...)
    {
      RTM_LOG_WARN("port", "connection '" << info.id << "': " << RTC::ConnectorDataListener::toString(type)
                                          << " not delivered: " << currentExceptionText());
    }
  }

  void ConnectorListeners::notify(RTC::ConnectorListenerType type, const RTC::ConnectorInfo& info) noexcept
  {
    if (!knownPlainType(type) || m_plain[type].count.load() == 0)
      return;
    try
    {
      for (const auto& entry : *snapshot(m_plain[type]))
      {
        try
        {
          (*entry->listener)(info);
        }
        catch (...)
        {
          if (!entry->warned.exchange(true))
            RTM_LOG_WARN("port", "connection '" << info.id << "': a listener of "
                                                << RTC::ConnectorListener::toString(type) << " failed ("
                                                << currentExceptionText() << "); the port goes on");
        }
      }
    }
    catch (...)
    {
      RTM_LOG_WARN("port", "connection '" << info.id << "': " << RTC::ConnectorListener::toString(type)
                                          << " not delivered: " << currentExceptionText());
    }
  }
}
