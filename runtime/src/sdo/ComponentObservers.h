// The observers attached to one component (SDO service profiles of interface type
// IDL:OpenRTM/ComponentObserver:1.0, or IDL:omg.org/RTC/ComponentObserver:1.0 as the newer tools
// announce the same observer), and the thread that notifies them.
//
// Whoever reports a change (the execution context's thread in a handler, an ORB thread in a
// connection) only queues it: the calls out to observers are made by this class's own thread, one
// at a time, each bounded by a call timeout. A dead, slow or frozen observer therefore never
// delays the component, and an observer whose call fails is detached. The queue is bounded: when
// an observer cannot keep up, the oldest updates are dropped (and logged) rather than memory.
#pragma once

#include "sdo/ComponentEventListener.h"
#include "sdo/ObserverSettings.h"
#include "sdo/StatusUpdate.h"

#include <rtm/idl/SDOPackage.hh>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rtm
{
  class ComponentObservers : public ComponentEventListener
  {
  public:
    static const char* const kInterfaceType;  // "IDL:OpenRTM/ComponentObserver:1.0"
    static const char* const kRtcInterfaceType;  // "IDL:omg.org/RTC/ComponentObserver:1.0"
    static constexpr std::size_t kQueueLimit = 1024;

    // `who` names the component in log lines.
    explicit ComponentObservers(std::string who,
                                std::chrono::milliseconds callTimeout = std::chrono::milliseconds(1000));
    ~ComponentObservers() override;
    ComponentObservers(const ComponentObservers&) = delete;
    ComponentObservers& operator=(const ComponentObservers&) = delete;

    void setName(const std::string& who);

    // Whether a component's "sdo.service.consumer.enabled_service" (a comma list of interface
    // types or names, ALL by default) lets observers attach at all.
    static bool enabledBy(const std::string& enabledServices);

    // False for an interface type other than the two, an empty id or a nil service. A profile with an id
    // already attached replaces it (a tool attaching again after losing track).
    bool attach(const SDOPackage::ServiceProfile& profile);
    // False when no observer has that id.
    bool detach(const std::string& id);

    SDOPackage::ServiceProfileList* profiles() const;
    // Null when no observer has that id.
    SDOPackage::ServiceProfile* profile(const std::string& id) const;
    std::size_t count() const;

    void onComponentEvent(const ComponentEvent& event) override;

    // Delivers what is queued (for at most one call timeout past the first undelivered update),
    // then ends the thread and detaches everyone. Later events are ignored.
    void close();

  private:
    struct Observer
    {
      SDOPackage::ServiceProfile profile;
      // One of the two is set: each observer is called through the interface it attached under.
      OpenRTM::ComponentObserver_var ref;
      RTC::ComponentObserver_var rtcRef;
      ObserverSettings settings;
      std::chrono::steady_clock::time_point nextHeartbeat;
    };
    using ObserverPtr = std::shared_ptr<Observer>;
    using Clock = std::chrono::steady_clock;

    void run();
    // Calls out to every observer that wants `update`; returns those whose call failed.
    std::vector<ObserverPtr> deliver(const StatusUpdate& update, const std::vector<ObserverPtr>& observers);
    bool call(const Observer& observer, const StatusUpdate& update);
    std::vector<ObserverPtr> heartbeatsDueLocked(Clock::time_point now);
    Clock::time_point wakeTimeLocked() const;
    void dropLocked(const std::vector<ObserverPtr>& failed);
    void startThreadLocked();

    const std::chrono::milliseconds m_callTimeout;

    mutable std::mutex m_mutex;
    std::string m_who;
    std::condition_variable m_wake;
    std::vector<ObserverPtr> m_observers;
    std::deque<StatusUpdate> m_queue;
    std::size_t m_dropped = 0;
    bool m_closing = false;
    std::thread m_thread;
  };
}
