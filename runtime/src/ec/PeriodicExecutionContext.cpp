#include "ec/PeriodicExecutionContext.h"

#include "ec/ForwardingCallbacks.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace rtm
{
  namespace
  {
    constexpr std::int64_t kNsPerSecond = 1000000000;
    // The period until set_rate() gives one: what components get when their configured rate is
    // refused.
    constexpr double kInitialRate = 1e6;
    constexpr std::int64_t kDeactivateWaitFloorNs = 10 * kNsPerSecond;
    // Under load a normal thread is preempted for milliseconds at a time and its ticks are lost;
    // the lowest real-time priority keeps it ahead of ordinary work.
    constexpr int kLowestRealtimePriority = 1;

    std::int64_t periodFromRate(double rate)
    {
      const double ns = static_cast<double>(kNsPerSecond) / rate;
      return static_cast<std::int64_t>(std::llround(std::clamp(ns, 1.0, 1e15)));
    }

    bool stillActive(RTC::LifeCycleState s) { return s == RTC::ACTIVE_STATE; }
  }

  PeriodicExecutionContext::PeriodicExecutionContext(PortableServer::POA_ptr poa, Trigger trigger)
    : m_poa(PortableServer::POA::_duplicate(poa)), m_rate(kInitialRate), m_periodNs(periodFromRate(kInitialRate)),
      m_external(trigger == Trigger::External)
  {
    m_timer.setRealtimePriority(kLowestRealtimePriority);
    m_oid = m_poa->activate_object(this);
    CORBA::Object_var obj = m_poa->id_to_reference(m_oid.in());
    m_ref = OpenRTM::ExtTrigExecutionContextService::_narrow(obj.in());
    // The thread holds a reference of its own so that the object cannot be deleted under it,
    // whichever thread lets go last.
    _add_ref();
    try
    {
      m_thread = std::thread([this] {
        run();
        _remove_ref();
      });
    }
    catch (...)
    {
      _remove_ref();
      m_poa->deactivate_object(m_oid.in());
      throw;
    }
  }

  PeriodicExecutionContext::~PeriodicExecutionContext()
  {
    // The thread has given its reference back, so it is at most returning from its function.
    if (m_thread.joinable())
    {
      if (m_thread.get_id() == std::this_thread::get_id())
      {
        m_thread.detach();
      }
      else
      {
        m_thread.join();
      }
    }
  }

  // --- local API --------------------------------------------------------------------------------

  RTC::ExecutionContextHandle_t PeriodicExecutionContext::bindOwner(std::unique_ptr<ComponentCallbacks> cb,
                                                                    RTC::RTObject_ptr ownerRef)
  {
    auto owner = std::make_shared<ContextMember>();
    owner->handle = 0;
    owner->ref = RTC::RTObject::_duplicate(ownerRef);
    owner->callbacks = std::move(cb);

    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_owner)
    {
      m_owner->removed = true;
      m_members.erase(std::find(m_members.begin(), m_members.end(), m_owner));
    }
    m_members.insert(m_members.begin(), owner);
    m_owner = owner;
    m_work.notify_all();
    return owner->handle;
  }

  OpenRTM::ExtTrigExecutionContextService_ptr PeriodicExecutionContext::getObjRef()
  {
    return OpenRTM::ExtTrigExecutionContextService::_duplicate(m_ref.in());
  }

  void PeriodicExecutionContext::destroy()
  {
    std::vector<MemberPtr> released;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_destroyed)
      {
        return;
      }
      m_destroyed = true;
      m_halt = true;
      m_phase = Phase::Stopped;
      interrupt();
      released.swap(m_members);
      m_owner.reset();
      m_work.notify_all();
      m_changed.notify_all();
    }
    // A handler that destroys its own context cannot wait for the tick it runs in; the thread
    // ends after that handler returns and the destructor joins it.
    if (!runsOnThisThread() && m_thread.joinable())
    {
      m_thread.join();
    }
    try
    {
      m_poa->deactivate_object(m_oid.in());
    }
    catch (...)
    {
      // Already gone with its POA (ORB shutdown): nothing left to undo.
    }
  }

  bool PeriodicExecutionContext::runsOnThisThread() const { return m_threadId.load() == std::this_thread::get_id(); }

  std::uint64_t PeriodicExecutionContext::ticks() const { return m_timer.statistics().ticks(); }

  std::uint64_t PeriodicExecutionContext::overruns() const { return m_timer.statistics().overruns(); }

  double PeriodicExecutionContext::latenessPercentileUs(double p) const
  {
    return m_timer.statistics().latenessPercentileUs(p);
  }

  void PeriodicExecutionContext::resetStats() { m_timer.statistics().reset(); }

  // --- RTC::ExecutionContext --------------------------------------------------------------------

  CORBA::Boolean PeriodicExecutionContext::is_running()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_phase == Phase::Starting || m_phase == Phase::Running;
  }

  RTC::ReturnCode_t PeriodicExecutionContext::start()
  {
    std::vector<MemberPtr> members;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_destroyed || m_phase != Phase::Stopped)
      {
        return RTC::PRECONDITION_NOT_MET;
      }
      m_phase = Phase::Starting;
      members = membersLocked();
    }
    // Ticks begin only after every component has seen on_startup.
    callEach(members, &ComponentCallbacks::on_startup);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_phase == Phase::Starting)
    {
      m_phase = Phase::Running;
    }
    m_work.notify_all();
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t PeriodicExecutionContext::stop()
  {
    std::vector<MemberPtr> members;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      if (m_phase != Phase::Running && m_phase != Phase::Starting)
      {
        return RTC::PRECONDITION_NOT_MET;
      }
      m_phase = Phase::Stopping;
      // Ticks asked of a context that stops are not carried over to its next start.
      m_tickRequests = 0;
      interrupt();
      m_changed.notify_all();  // a deactivate_component waiting for a tick gives up now
      // A handler stopping its own context is inside the tick it would wait for.
      if (!runsOnThisThread())
      {
        waitForTickEndLocked(lock);
      }
      members = membersLocked();
    }
    callEach(members, &ComponentCallbacks::on_shutdown);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_phase == Phase::Stopping)
    {
      m_phase = Phase::Stopped;
    }
    m_changed.notify_all();
    return RTC::RTC_OK;
  }

  CORBA::Double PeriodicExecutionContext::get_rate()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rate;
  }

  RTC::ReturnCode_t PeriodicExecutionContext::set_rate(CORBA::Double rate)
  {
    if (!(rate > 0.0) || !std::isfinite(rate))
    {
      return RTC::BAD_PARAMETER;
    }
    std::vector<MemberPtr> members;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_rate = rate;
      m_periodNs = periodFromRate(rate);
      interrupt();  // a sleep planned with the old period starts over with the new one
      members = membersLocked();
    }
    callEach(members, &ComponentCallbacks::on_rate_changed);
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t PeriodicExecutionContext::add_component(RTC::LightweightRTObject_ptr comp)
  {
    if (CORBA::is_nil(comp))
    {
      return RTC::BAD_PARAMETER;
    }
    try
    {
      // Peers built on the other middleware refuse anything less than a data-flow component,
      // so this context does too.
      OpenRTM::DataFlowComponent_var component = OpenRTM::DataFlowComponent::_narrow(comp);
      if (CORBA::is_nil(component.in()))
      {
        return RTC::BAD_PARAMETER;
      }
      OpenRTM::ExtTrigExecutionContextService_var self = getObjRef();
      const RTC::ExecutionContextHandle_t handle = component->attach_context(self.in());
      if (handle < 0)
      {
        return RTC::BAD_PARAMETER;  // the component refused this context
      }
      auto member = std::make_shared<ContextMember>();
      member->handle = handle;
      member->ref = RTC::RTObject::_duplicate(component.in());
      member->callbacks = std::make_unique<RemoteCallbacks>(component.in());

      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_destroyed)
      {
        return RTC::PRECONDITION_NOT_MET;
      }
      m_members.push_back(std::move(member));
      m_work.notify_all();
      return RTC::RTC_OK;
    }
    catch (const CORBA::Exception&)
    {
      return RTC::BAD_PARAMETER;
    }
    catch (...)
    {
      return RTC::RTC_ERROR;
    }
  }

  RTC::ReturnCode_t PeriodicExecutionContext::remove_component(RTC::LightweightRTObject_ptr comp)
  {
    MemberPtr member;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      member = findLocked(comp, false);
      if (!member)
      {
        return RTC::BAD_PARAMETER;
      }
      member->removed = true;
      m_members.erase(std::find(m_members.begin(), m_members.end(), member));
      // After this returns the component hears nothing more from this context.
      if (!runsOnThisThread())
      {
        waitForTickEndLocked(lock);
      }
    }
    try
    {
      member->ref->detach_context(member->handle);
    }
    catch (...)
    {
      // A component that is gone is removed all the same.
    }
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t PeriodicExecutionContext::activate_component(RTC::LightweightRTObject_ptr comp)
  {
    return requestTransition(comp, RTC::INACTIVE_STATE, RTC::ACTIVE_STATE);
  }

  RTC::ReturnCode_t PeriodicExecutionContext::requestTransition(RTC::LightweightRTObject_ptr comp,
                                                                RTC::LifeCycleState from, RTC::LifeCycleState to)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const MemberPtr member = findLocked(comp, true);
    if (!member)
    {
      return RTC::BAD_PARAMETER;
    }
    if (member->state != from)
    {
      return RTC::PRECONDITION_NOT_MET;
    }
    member->next = to;
    m_work.notify_all();
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t PeriodicExecutionContext::deactivate_component(RTC::LightweightRTObject_ptr comp)
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    const MemberPtr member = findLocked(comp, true);
    if (!member)
    {
      return RTC::BAD_PARAMETER;
    }
    if (member->state != RTC::ACTIVE_STATE)
    {
      return RTC::PRECONDITION_NOT_MET;
    }
    // A failure already on its way wins: the component goes to ERROR, not INACTIVE.
    if (member->next != RTC::ERROR_STATE)
    {
      member->next = RTC::INACTIVE_STATE;
    }
    // Our own thread cannot wait for the tick it is running; the change happens at the next one.
    if (runsOnThisThread())
    {
      return RTC::RTC_OK;
    }
    auto ticking = [this] { return m_phase == Phase::Starting || m_phase == Phase::Running; };
    // No tick will come: say so now rather than after the whole wait.
    if (!ticking())
    {
      return RTC::RTC_ERROR;
    }
    const auto bound = std::chrono::nanoseconds(std::max(kDeactivateWaitFloorNs, 10 * m_periodNs));
    ++m_deactivateWaiters;
    m_work.notify_all();
    m_changed.wait_for(lock, bound,
                       [&] { return !stillActive(member->state) || member->removed || m_destroyed || !ticking(); });
    --m_deactivateWaiters;
    return member->state == RTC::INACTIVE_STATE ? RTC::RTC_OK : RTC::RTC_ERROR;
  }

  RTC::ReturnCode_t PeriodicExecutionContext::reset_component(RTC::LightweightRTObject_ptr comp)
  {
    return requestTransition(comp, RTC::ERROR_STATE, RTC::INACTIVE_STATE);
  }

  RTC::LifeCycleState PeriodicExecutionContext::get_component_state(RTC::LightweightRTObject_ptr comp)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const MemberPtr member = findLocked(comp, true);
    return member ? member->state : RTC::CREATED_STATE;
  }

  RTC::ExecutionKind PeriodicExecutionContext::get_kind() { return RTC::PERIODIC; }

  RTC::ExecutionContextProfile* PeriodicExecutionContext::get_profile()
  {
    RTC::ExecutionContextProfile_var profile = new RTC::ExecutionContextProfile;
    profile->kind = RTC::PERIODIC;
    profile->properties.length(0);

    std::lock_guard<std::mutex> lock(m_mutex);
    profile->rate = m_rate;
    profile->owner = m_owner ? RTC::RTObject::_duplicate(m_owner->ref.in()) : RTC::RTObject::_nil();
    // The owner is not a participant of its own context.
    CORBA::ULong count = 0;
    profile->participants.length(static_cast<CORBA::ULong>(m_members.size()));
    for (const MemberPtr& m : m_members)
    {
      if (m != m_owner)
      {
        profile->participants[count++] = RTC::RTObject::_duplicate(m->ref.in());
      }
    }
    profile->participants.length(count);
    return profile._retn();
  }

  // Only an externally triggered context ticks on request; a periodic one keeps its own time.
  void PeriodicExecutionContext::tick()
  {
    if (!m_external)
    {
      return;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_destroyed || m_phase != Phase::Running)
    {
      return;
    }
    ++m_tickRequests;
    m_work.notify_all();
    // A handler ticking its own context gets its cycle after the one it runs in.
    if (runsOnThisThread())
    {
      return;
    }
    const std::uint64_t mine = m_requestedTicksDone + m_tickRequests;
    m_changed.wait(lock, [&] { return m_requestedTicksDone >= mine || m_destroyed || m_phase != Phase::Running; });
  }

  PortableServer::POA_ptr PeriodicExecutionContext::_default_POA()
  {
    return PortableServer::POA::_duplicate(m_poa.in());
  }

  // --- the loop ---------------------------------------------------------------------------------

  void PeriodicExecutionContext::run()
  {
    m_threadId.store(std::this_thread::get_id());
    m_timer.prepareThread();

    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
    {
      m_work.wait(lock, [this] {
        return m_destroyed || (m_phase == Phase::Running && (m_external ? hasRequestedWorkLocked() : hasWorkLocked()));
      });
      if (m_destroyed)
      {
        return;
      }
      if (m_external)
      {
        runRequestedTicks(lock);
      }
      else
      {
        runTicks(lock);
      }
    }
  }

  void PeriodicExecutionContext::runTicks(std::unique_lock<std::mutex>& lock)
  {
    m_timer.start(m_periodNs);
    while (!m_destroyed && m_phase == Phase::Running && hasWorkLocked())
    {
      lock.unlock();
      const bool slept = m_timer.sleepToDeadline();
      lock.lock();
      if (!slept)
      {
        m_timer.replan(m_periodNs);
        continue;  // and look again at why we were woken
      }
      if (m_destroyed || m_phase != Phase::Running)
      {
        break;
      }

      m_timer.tickStarted();
      m_snapshot.assign(m_members.begin(), m_members.end());  // reuses its capacity
      m_inTick = true;
      lock.unlock();
      tickOnce();
      m_snapshot.clear();
      lock.lock();
      m_inTick = false;
      ++m_tickSeq;
      m_changed.notify_all();
      m_timer.tickEnded(m_periodNs);
    }
  }

  void PeriodicExecutionContext::runRequestedTicks(std::unique_lock<std::mutex>& lock)
  {
    while (!m_destroyed && m_phase == Phase::Running && hasRequestedWorkLocked())
    {
      // Without a requested cycle only the members leaving ACTIVE are stepped: that step is
      // their transition alone, and no other member sees a cycle nobody asked for.
      const bool requested = m_tickRequests > 0;
      if (requested)
      {
        --m_tickRequests;
      }
      m_snapshot.clear();
      for (const MemberPtr& m : m_members)
      {
        if (requested || (m->state == RTC::ACTIVE_STATE && m->next != RTC::ACTIVE_STATE))
        {
          m_snapshot.push_back(m);
        }
      }
      m_inTick = true;
      lock.unlock();
      tickOnce();
      m_snapshot.clear();
      lock.lock();
      m_inTick = false;
      ++m_tickSeq;
      if (requested)
      {
        ++m_requestedTicksDone;
      }
      m_changed.notify_all();
    }
  }

  bool PeriodicExecutionContext::hasRequestedWorkLocked() const
  {
    if (m_tickRequests > 0)
    {
      return true;
    }
    return m_deactivateWaiters > 0 && std::any_of(m_members.begin(), m_members.end(), [](const MemberPtr& m) {
             return m->state == RTC::ACTIVE_STATE && m->next != RTC::ACTIVE_STATE;
           });
  }

  void PeriodicExecutionContext::tickOnce()
  {
    for (const MemberPtr& m : m_snapshot)
    {
      if (m_halt.load())
      {
        return;
      }
      m_stateMachine.step(*m);
    }
  }

  void PeriodicExecutionContext::callEach(const std::vector<MemberPtr>& members, MemberStateMachine::Handler handler)
  {
    for (const MemberPtr& m : members)
    {
      MemberStateMachine::invoke(*m, handler);
    }
  }

  // --- helpers, called with m_mutex held --------------------------------------------------------

  PeriodicExecutionContext::MemberPtr PeriodicExecutionContext::findLocked(RTC::LightweightRTObject_ptr comp,
                                                                           bool includeOwner) const
  {
    if (CORBA::is_nil(comp))
    {
      return nullptr;
    }
    for (const MemberPtr& m : m_members)
    {
      if (m->removed || (!includeOwner && m == m_owner) || CORBA::is_nil(m->ref.in()))
      {
        continue;
      }
      try
      {
        if (m->ref->_is_equivalent(comp))
        {
          return m;
        }
      }
      catch (...)
      {
        // Not comparable is not equal.
      }
    }
    return nullptr;
  }

  bool PeriodicExecutionContext::hasWorkLocked() const
  {
    return std::any_of(m_members.begin(), m_members.end(), [](const MemberPtr& m) {
      return m->state == RTC::ACTIVE_STATE || m->state == RTC::ERROR_STATE || m->state != m->next;
    });
  }

  std::vector<PeriodicExecutionContext::MemberPtr> PeriodicExecutionContext::membersLocked() const { return m_members; }

  void PeriodicExecutionContext::waitForTickEndLocked(std::unique_lock<std::mutex>& lock)
  {
    // Waiting for a tick count to move, not for m_inTick to read false, cannot be starved by a
    // thread that goes straight on to the next tick.
    const std::uint64_t seq = m_tickSeq;
    m_changed.wait(lock, [&] { return !m_inTick || m_tickSeq != seq; });
  }

  void PeriodicExecutionContext::interrupt() { m_timer.interrupt(); }
}
