#include "sdo/ComponentObservers.h"

#include "log/Logger.h"
#include "transport/CallTimeout.h"

#include <coil/stringutil.h>

#include <algorithm>
#include <cctype>

namespace rtm
{
  const char* const ComponentObservers::kInterfaceType = "IDL:OpenRTM/ComponentObserver:1.0";
  const char* const ComponentObservers::kRtcInterfaceType = "IDL:omg.org/RTC/ComponentObserver:1.0";

  namespace
  {
    // How long the thread sleeps when no heartbeat is due: it is woken for anything else.
    constexpr std::chrono::hours kIdleWait{1};
  }

  ComponentObservers::ComponentObservers(std::string who, std::chrono::milliseconds callTimeout)
    : m_callTimeout(callTimeout), m_who(std::move(who))
  {}

  bool ComponentObservers::enabledBy(const std::string& enabledServices)
  {
    if (enabledServices.find_first_not_of(" \t") == std::string::npos)
      return true;
    for (std::string word : coil::split(enabledServices, ",", true))
    {
      word.erase(0, word.find_first_not_of(" \t"));
      word.erase(word.find_last_not_of(" \t") + 1);
      std::string upper = word;
      std::transform(upper.begin(), upper.end(), upper.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      if (upper == "ALL" || word == kInterfaceType || word == kRtcInterfaceType || word == "ComponentObserver")
        return true;
    }
    return false;
  }

  void ComponentObservers::setName(const std::string& who)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_who = who;
  }

  ComponentObservers::~ComponentObservers() { close(); }

  bool ComponentObservers::attach(const SDOPackage::ServiceProfile& profile)
  {
    const std::string id = profile.id.in();
    const std::string type = profile.interface_type.in();
    if ((type != kInterfaceType && type != kRtcInterfaceType) || id.empty() || CORBA::is_nil(profile.service.in()))
      return false;
    auto observer = std::make_shared<Observer>();
    observer->profile = profile;
    // No remote _is_a: the tool that attaches is waiting for this answer, and the interface type
    // already says what the object is. A one-way call still connects first, and connecting to a
    // host that vanished can hang: each reference gets the call timeout.
    const auto timeout = static_cast<unsigned long>(m_callTimeout.count());
    if (type == kRtcInterfaceType)
    {
      observer->rtcRef = RTC::ComponentObserver::_unchecked_narrow(profile.service.in());
      limitCallTime(observer->rtcRef.in(), timeout);
    }
    else
    {
      observer->ref = OpenRTM::ComponentObserver::_unchecked_narrow(profile.service.in());
      limitCallTime(observer->ref.in(), timeout);
    }
    observer->settings = ObserverSettings::parse(profile.properties);
    observer->nextHeartbeat = Clock::now() + observer->settings.heartbeatInterval;

    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closing)
      return false;
    auto same = std::find_if(m_observers.begin(), m_observers.end(),
                             [&](const ObserverPtr& o) { return id == o->profile.id.in(); });
    if (same != m_observers.end())
      *same = observer;
    else
      m_observers.push_back(observer);
    startThreadLocked();
    m_wake.notify_all();  // its heartbeat may be due before the thread's next wake-up
    return true;
  }

  bool ComponentObservers::detach(const std::string& id)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find_if(m_observers.begin(), m_observers.end(),
                           [&](const ObserverPtr& o) { return id == o->profile.id.in(); });
    if (it == m_observers.end())
      return false;
    m_observers.erase(it);
    return true;
  }

  SDOPackage::ServiceProfileList* ComponentObservers::profiles() const
  {
    auto* list = new SDOPackage::ServiceProfileList;
    std::lock_guard<std::mutex> lock(m_mutex);
    list->length(static_cast<CORBA::ULong>(m_observers.size()));
    for (CORBA::ULong i = 0; i < list->length(); ++i)
      (*list)[i] = m_observers[i]->profile;
    return list;
  }

  SDOPackage::ServiceProfile* ComponentObservers::profile(const std::string& id) const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const ObserverPtr& o : m_observers)
      if (id == o->profile.id.in())
        return new SDOPackage::ServiceProfile(o->profile);
    return nullptr;
  }

  std::size_t ComponentObservers::count() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_observers.size();
  }

  void ComponentObservers::onComponentEvent(const ComponentEvent& event)
  {
    {
      // The common case, nobody attached, costs one lock and nothing else.
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_observers.empty() || m_closing)
        return;
    }
    StatusUpdate update = StatusUpdate::from(event);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_queue.size() >= kQueueLimit)
    {
      m_queue.pop_front();
      ++m_dropped;
    }
    m_queue.push_back(std::move(update));
    m_wake.notify_all();
  }

  void ComponentObservers::close()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_closing = true;
      m_wake.notify_all();
    }
    if (m_thread.joinable())
      m_thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observers.clear();
    m_queue.clear();
  }

  void ComponentObservers::startThreadLocked()
  {
    if (!m_thread.joinable())
      m_thread = std::thread([this] { run(); });
  }

  void ComponentObservers::run()
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
    {
      if (m_queue.empty() && !m_closing)
        m_wake.wait_until(lock, wakeTimeLocked());
      if (m_closing && m_queue.empty())
        return;
      if (m_dropped > 0)
      {
        RTM_LOG_WARN("observer", m_who << ": observers fell behind; " << m_dropped << " status updates dropped");
        m_dropped = 0;
      }
      std::deque<StatusUpdate> batch;
      batch.swap(m_queue);
      const std::vector<ObserverPtr> observers = m_observers;
      const std::vector<ObserverPtr> beats = heartbeatsDueLocked(Clock::now());
      lock.unlock();

      std::vector<ObserverPtr> failed;
      auto alive = [&](const ObserverPtr& o) { return std::find(failed.begin(), failed.end(), o) == failed.end(); };
      for (const StatusUpdate& update : batch)
        for (const ObserverPtr& o : observers)
          if (o->settings.observes(update.kind) && alive(o) && !call(*o, update))
            failed.push_back(o);
      const StatusUpdate heartbeat = StatusUpdate::heartbeat();
      for (const ObserverPtr& o : beats)
        if (alive(o) && !call(*o, heartbeat))
          failed.push_back(o);

      lock.lock();
      dropLocked(failed);
    }
  }

  bool ComponentObservers::call(const Observer& observer, const StatusUpdate& update)
  {
    try
    {
      if (!CORBA::is_nil(observer.rtcRef.in()))
        observer.rtcRef->update_status(update.rtcKind(), update.hint.c_str());
      else
        observer.ref->update_status(update.kind, update.hint.c_str());
      return true;
    }
    catch (...)
    {
      return false;
    }
  }

  std::vector<ComponentObservers::ObserverPtr> ComponentObservers::heartbeatsDueLocked(Clock::time_point now)
  {
    std::vector<ObserverPtr> due;
    for (const ObserverPtr& o : m_observers)
    {
      if (!o->settings.heartbeat || o->nextHeartbeat > now)
        continue;
      due.push_back(o);
      // From the previous beat, not from now, so the beats keep their rhythm; one that fell far
      // behind starts over instead of catching up in a burst.
      o->nextHeartbeat += o->settings.heartbeatInterval;
      if (o->nextHeartbeat <= now)
        o->nextHeartbeat = now + o->settings.heartbeatInterval;
    }
    return due;
  }

  ComponentObservers::Clock::time_point ComponentObservers::wakeTimeLocked() const
  {
    Clock::time_point wake = Clock::now() + kIdleWait;
    for (const ObserverPtr& o : m_observers)
      if (o->settings.heartbeat)
        wake = std::min(wake, o->nextHeartbeat);
    return wake;
  }

  void ComponentObservers::dropLocked(const std::vector<ObserverPtr>& failed)
  {
    for (const ObserverPtr& o : failed)
    {
      auto it = std::find(m_observers.begin(), m_observers.end(), o);
      if (it == m_observers.end())
        continue;  // detached or replaced meanwhile
      RTM_LOG_WARN("observer", m_who << ": observer '" << o->profile.id.in() << "' does not answer; detached");
      m_observers.erase(it);
    }
  }
}
