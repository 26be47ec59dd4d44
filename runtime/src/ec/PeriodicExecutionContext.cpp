#include "ec/PeriodicExecutionContext.h"

#include "ec/RemoteCallbacks.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <time.h>

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
    // Longer sleeps are cut into slices this long so that destroy() is never kept waiting for a
    // slow period to end.
    constexpr std::int64_t kSleepSliceNs = 10 * 1000 * 1000;
    // Being behind by more than ten periods, and at least this much, means the ticks are lost:
    // bursting through them would only hand the components a batch of back-to-back calls.
    constexpr std::int64_t kResyncFloorNs = 5 * 1000 * 1000;
    constexpr std::int64_t kDeactivateWaitFloorNs = 10 * kNsPerSecond;
    // Below this period the loop hardly sleeps; a real-time thread would then take a whole core.
    constexpr std::int64_t kRealtimeMinPeriodNs = 50 * 1000;

    std::int64_t nowNs()
    {
      timespec ts;
      clock_gettime(CLOCK_MONOTONIC, &ts);
      return static_cast<std::int64_t>(ts.tv_sec) * kNsPerSecond + ts.tv_nsec;
    }

    std::int64_t periodFromRate(double rate)
    {
      const double ns = static_cast<double>(kNsPerSecond) / rate;
      return static_cast<std::int64_t>(std::llround(std::clamp(ns, 1.0, 1e15)));
    }

    bool stillActive(RTC::LifeCycleState s)
    {
      return s == RTC::ACTIVE_STATE;
    }
  }

  PeriodicExecutionContext::PeriodicExecutionContext(PortableServer::POA_ptr poa)
    : m_poa(PortableServer::POA::_duplicate(poa)),
      m_rate(kInitialRate),
      m_periodNs(periodFromRate(kInitialRate))
  {
    m_oid = m_poa->activate_object(this);
    CORBA::Object_var obj = m_poa->id_to_reference(m_oid.in());
    m_ref = OpenRTM::ExtTrigExecutionContextService::_narrow(obj.in());
    // The thread holds a reference of its own so that the object cannot be deleted under it,
    // whichever thread lets go last.
    _add_ref();
    try {
      m_thread = std::thread([this] {
        run();
        _remove_ref();
      });
    }
    catch (...) {
      _remove_ref();
      m_poa->deactivate_object(m_oid.in());
      throw;
    }
  }

  PeriodicExecutionContext::~PeriodicExecutionContext()
  {
    // The thread has given its reference back, so it is at most returning from its function.
    if (m_thread.joinable()) {
      if (m_thread.get_id() == std::this_thread::get_id()) {
        m_thread.detach();
      }
      else {
        m_thread.join();
      }
    }
  }

  // --- local API --------------------------------------------------------------------------------

  RTC::ExecutionContextHandle_t PeriodicExecutionContext::bindOwner(
    std::unique_ptr<ComponentCallbacks> cb, RTC::RTObject_ptr ownerRef)
  {
    auto owner = std::make_shared<Member>();
    owner->handle = 0;
    owner->ref = RTC::RTObject::_duplicate(ownerRef);
    owner->callbacks = std::move(cb);

    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_owner) {
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
      if (m_destroyed) {
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
    if (!runsOnThisThread() && m_thread.joinable()) {
      m_thread.join();
    }
    try {
      m_poa->deactivate_object(m_oid.in());
    }
    catch (...) {
      // Already gone with its POA (ORB shutdown): nothing left to undo.
    }
  }

  bool PeriodicExecutionContext::runsOnThisThread() const
  {
    return m_threadId.load() == std::this_thread::get_id();
  }

  std::uint64_t PeriodicExecutionContext::ticks() const
  {
    return m_stats.ticks();
  }

  std::uint64_t PeriodicExecutionContext::overruns() const
  {
    return m_stats.overruns();
  }

  double PeriodicExecutionContext::latenessPercentileUs(double p) const
  {
    return m_stats.latenessPercentileUs(p);
  }

  void PeriodicExecutionContext::resetStats()
  {
    m_stats.reset();
  }

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
      if (m_destroyed || m_phase != Phase::Stopped) {
        return RTC::PRECONDITION_NOT_MET;
      }
      m_phase = Phase::Starting;
      members = membersLocked();
    }
    // Ticks begin only after every component has seen on_startup.
    for (const MemberPtr& m : members) {
      invoke(*m, &ComponentCallbacks::on_startup);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_phase == Phase::Starting) {
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
      if (m_phase != Phase::Running && m_phase != Phase::Starting) {
        return RTC::PRECONDITION_NOT_MET;
      }
      m_phase = Phase::Stopping;
      interrupt();
      m_changed.notify_all();  // a deactivate_component waiting for a tick gives up now
      // A handler stopping its own context is inside the tick it would wait for.
      if (!runsOnThisThread()) {
        waitForTickEndLocked(lock);
      }
      members = membersLocked();
    }
    for (const MemberPtr& m : members) {
      invoke(*m, &ComponentCallbacks::on_shutdown);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_phase == Phase::Stopping) {
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
    if (!(rate > 0.0) || !std::isfinite(rate)) {
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
    for (const MemberPtr& m : members) {
      invoke(*m, &ComponentCallbacks::on_rate_changed);
    }
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t PeriodicExecutionContext::add_component(RTC::LightweightRTObject_ptr comp)
  {
    if (CORBA::is_nil(comp)) {
      return RTC::BAD_PARAMETER;
    }
    try {
      // Peers built on the other middleware refuse anything less than a data-flow component,
      // so this context does too.
      OpenRTM::DataFlowComponent_var component = OpenRTM::DataFlowComponent::_narrow(comp);
      if (CORBA::is_nil(component.in())) {
        return RTC::BAD_PARAMETER;
      }
      OpenRTM::ExtTrigExecutionContextService_var self = getObjRef();
      const RTC::ExecutionContextHandle_t handle = component->attach_context(self.in());
      if (handle < 0) {
        return RTC::BAD_PARAMETER;  // the component refused this context
      }
      auto member = std::make_shared<Member>();
      member->handle = handle;
      member->ref = RTC::RTObject::_duplicate(component.in());
      member->callbacks = std::make_unique<RemoteCallbacks>(component.in());

      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_destroyed) {
        return RTC::PRECONDITION_NOT_MET;
      }
      m_members.push_back(std::move(member));
      m_work.notify_all();
      return RTC::RTC_OK;
    }
    catch (const CORBA::Exception&) {
      return RTC::BAD_PARAMETER;
    }
    catch (...) {
      return RTC::RTC_ERROR;
    }
  }

  RTC::ReturnCode_t PeriodicExecutionContext::remove_component(RTC::LightweightRTObject_ptr comp)
  {
    MemberPtr member;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      member = findLocked(comp, false);
      if (!member) {
        return RTC::BAD_PARAMETER;
      }
      member->removed = true;
      m_members.erase(std::find(m_members.begin(), m_members.end(), member));
      // After this returns the component hears nothing more from this context.
      if (!runsOnThisThread()) {
        waitForTickEndLocked(lock);
      }
    }
    try {
      member->ref->detach_context(member->handle);
    }
    catch (...) {
      // A component that is gone is removed all the same.
    }
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t PeriodicExecutionContext::activate_component(RTC::LightweightRTObject_ptr comp)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const MemberPtr member = findLocked(comp, true);
    if (!member) {
      return RTC::BAD_PARAMETER;
    }
    if (member->state != RTC::INACTIVE_STATE) {
      return RTC::PRECONDITION_NOT_MET;
    }
    member->next = RTC::ACTIVE_STATE;
    m_work.notify_all();
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t PeriodicExecutionContext::deactivate_component(
    RTC::LightweightRTObject_ptr comp)
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    const MemberPtr member = findLocked(comp, true);
    if (!member) {
      return RTC::BAD_PARAMETER;
    }
    if (member->state != RTC::ACTIVE_STATE) {
      return RTC::PRECONDITION_NOT_MET;
    }
    // A failure already on its way wins: the component goes to ERROR, not INACTIVE.
    if (member->next != RTC::ERROR_STATE) {
      member->next = RTC::INACTIVE_STATE;
    }
    // Our own thread cannot wait for the tick it is running; the change happens at the next one.
    if (runsOnThisThread()) {
      return RTC::RTC_OK;
    }
    auto ticking = [this] { return m_phase == Phase::Starting || m_phase == Phase::Running; };
    // No tick will come: say so now rather than after the whole wait.
    if (!ticking()) {
      return RTC::RTC_ERROR;
    }
    const auto bound = std::chrono::nanoseconds(std::max(kDeactivateWaitFloorNs, 10 * m_periodNs));
    m_changed.wait_for(lock, bound, [&] {
      return !stillActive(member->state) || member->removed || m_destroyed || !ticking();
    });
    return member->state == RTC::INACTIVE_STATE ? RTC::RTC_OK : RTC::RTC_ERROR;
  }

  RTC::ReturnCode_t PeriodicExecutionContext::reset_component(RTC::LightweightRTObject_ptr comp)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const MemberPtr member = findLocked(comp, true);
    if (!member) {
      return RTC::BAD_PARAMETER;
    }
    if (member->state != RTC::ERROR_STATE) {
      return RTC::PRECONDITION_NOT_MET;
    }
    member->next = RTC::INACTIVE_STATE;
    m_work.notify_all();
    return RTC::RTC_OK;
  }

  RTC::LifeCycleState PeriodicExecutionContext::get_component_state(
    RTC::LightweightRTObject_ptr comp)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const MemberPtr member = findLocked(comp, true);
    return member ? member->state : RTC::CREATED_STATE;
  }

  RTC::ExecutionKind PeriodicExecutionContext::get_kind()
  {
    return RTC::PERIODIC;
  }

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
    for (const MemberPtr& m : m_members) {
      if (m != m_owner) {
        profile->participants[count++] = RTC::RTObject::_duplicate(m->ref.in());
      }
    }
    profile->participants.length(count);
    return profile._retn();
  }

  void PeriodicExecutionContext::tick()
  {
    // Only an externally triggered context ticks on request; this one keeps its own time.
  }

  PortableServer::POA_ptr PeriodicExecutionContext::_default_POA()
  {
    return PortableServer::POA::_duplicate(m_poa.in());
  }

  // --- the loop ---------------------------------------------------------------------------------

  void PeriodicExecutionContext::run()
  {
    m_threadId.store(std::this_thread::get_id());
    // The default timer slack (50 µs) would make every wake-up up to that much late, a large
    // share of a 100 µs period.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
      m_work.wait(lock, [this] {
        return m_destroyed || (m_phase == Phase::Running && hasWorkLocked());
      });
      if (m_destroyed) {
        return;
      }
      runTicks(lock);
    }
  }

  void PeriodicExecutionContext::runTicks(std::unique_lock<std::mutex>& lock)
  {
    applyScheduling(m_periodNs);
    // Waking from idle starts a new time base: the first tick is due at once.
    std::int64_t deadline = nowNs();
    std::uint64_t plannedAt = m_epoch.load();
    while (!m_destroyed && m_phase == Phase::Running && hasWorkLocked()) {
      lock.unlock();
      const bool slept = sleepUntil(deadline, plannedAt);
      lock.lock();
      if (!slept) {
        applyScheduling(m_periodNs);
        deadline = nowNs() + m_periodNs;
        plannedAt = m_epoch.load();
        continue;  // and look again at why we were woken
      }
      if (m_destroyed || m_phase != Phase::Running) {
        break;
      }

      m_stats.recordTick(nowNs() - deadline);
      m_snapshot.assign(m_members.begin(), m_members.end());  // reuses its capacity
      m_inTick = true;
      lock.unlock();
      tickOnce();
      m_snapshot.clear();
      lock.lock();
      m_inTick = false;
      ++m_tickSeq;
      m_changed.notify_all();

      // Deadlines advance by whole periods from the previous one, never from "now", so the
      // time a tick takes does not accumulate into drift.
      const std::int64_t period = m_periodNs;
      deadline += period;
      const std::int64_t now = nowNs();
      if (now > deadline) {
        m_stats.recordOverrun();
        if (now - deadline > std::max(10 * period, kResyncFloorNs)) {
          deadline = now;
        }
      }
      plannedAt = m_epoch.load();
    }
  }

  void PeriodicExecutionContext::applyScheduling(std::int64_t periodNs)
  {
    // Under load a normal thread is preempted for milliseconds at a time and its ticks are lost;
    // the lowest real-time priority keeps it ahead of ordinary work. Not permitted (no
    // privilege) means the default scheduling, which is still correct, only less punctual.
    const bool wanted = periodNs >= kRealtimeMinPeriodNs;
    if (wanted == m_realtime) {
      return;
    }
    sched_param param{};
    param.sched_priority = wanted ? sched_get_priority_min(SCHED_FIFO) : 0;
    if (pthread_setschedparam(pthread_self(), wanted ? SCHED_FIFO : SCHED_OTHER, &param) == 0) {
      m_realtime = wanted;
    }
  }

  bool PeriodicExecutionContext::sleepUntil(std::int64_t deadlineNs, std::uint64_t epoch) const
  {
    for (;;) {
      if (m_epoch.load() != epoch) {
        return false;
      }
      const std::int64_t now = nowNs();
      if (now >= deadlineNs) {
        return true;
      }
      const std::int64_t wake = std::min(deadlineNs, now + kSleepSliceNs);
      timespec ts;
      ts.tv_sec = static_cast<time_t>(wake / kNsPerSecond);
      ts.tv_nsec = static_cast<long>(wake % kNsPerSecond);
      // An absolute wake-up time: a signal (EINTR) or a late wake-up does not shift the next one.
      clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
    }
  }

  void PeriodicExecutionContext::tickOnce()
  {
    for (const MemberPtr& m : m_snapshot) {
      if (m_halt.load()) {
        return;
      }
      step(*m);
    }
  }

  void PeriodicExecutionContext::step(Member& m)
  {
    RTC::LifeCycleState from;
    RTC::LifeCycleState to;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m.removed) {
        return;
      }
      from = m.state;
      to = m.next;
    }
    if (from != to) {
      transition(m, from, to);
      return;
    }
    switch (from) {
    case RTC::ACTIVE_STATE: {
      if (invoke(m, &ComponentCallbacks::on_execute) != RTC::RTC_OK) {
        requestError(m);
        return;
      }
      {
        // A handler that asked for a transition (deactivating itself, say) has finished its
        // cycle: on_state_update belongs to a cycle that continues.
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m.next != m.state || m.removed) {
          return;
        }
      }
      if (invoke(m, &ComponentCallbacks::on_state_update) != RTC::RTC_OK) {
        requestError(m);
      }
      return;
    }
    case RTC::ERROR_STATE:
      invoke(m, &ComponentCallbacks::on_error);
      return;
    default:
      return;
    }
  }

  void PeriodicExecutionContext::transition(Member& m, RTC::LifeCycleState from,
                                            RTC::LifeCycleState to)
  {
    // Leave the old state...
    if (from == RTC::ACTIVE_STATE) {
      invoke(m, &ComponentCallbacks::on_deactivated);
    }
    else if (from == RTC::ERROR_STATE && invoke(m, &ComponentCallbacks::on_reset) != RTC::RTC_OK) {
      requestError(m);  // a failed reset keeps the component where it is
      return;
    }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m.state = to;
      m_changed.notify_all();
    }
    // ...then enter the new one. A failed activation is an error in ACTIVE, left at the next tick.
    if (to == RTC::ACTIVE_STATE) {
      if (invoke(m, &ComponentCallbacks::on_activated) != RTC::RTC_OK) {
        requestError(m);
      }
    }
    else if (to == RTC::ERROR_STATE) {
      invoke(m, &ComponentCallbacks::on_aborting);
    }
  }

  RTC::ReturnCode_t PeriodicExecutionContext::invoke(Member& m, Handler handler) noexcept
  {
    // The callbacks already turn exceptions into RTC_ERROR; this keeps the loop safe from any
    // implementation that does not.
    try {
      return (m.callbacks.get()->*handler)(m.handle);
    }
    catch (...) {
      return RTC::RTC_ERROR;
    }
  }

  void PeriodicExecutionContext::requestError(Member& m)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m.next = RTC::ERROR_STATE;
  }

  // --- helpers, called with m_mutex held --------------------------------------------------------

  PeriodicExecutionContext::MemberPtr PeriodicExecutionContext::findLocked(
    RTC::LightweightRTObject_ptr comp, bool includeOwner) const
  {
    if (CORBA::is_nil(comp)) {
      return nullptr;
    }
    for (const MemberPtr& m : m_members) {
      if (m->removed || (!includeOwner && m == m_owner) || CORBA::is_nil(m->ref.in())) {
        continue;
      }
      try {
        if (m->ref->_is_equivalent(comp)) {
          return m;
        }
      }
      catch (...) {
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

  std::vector<PeriodicExecutionContext::MemberPtr> PeriodicExecutionContext::membersLocked() const
  {
    return m_members;
  }

  void PeriodicExecutionContext::waitForTickEndLocked(std::unique_lock<std::mutex>& lock)
  {
    // Waiting for a tick count to move, not for m_inTick to read false, cannot be starved by a
    // thread that goes straight on to the next tick.
    const std::uint64_t seq = m_tickSeq;
    m_changed.wait(lock, [&] { return !m_inTick || m_tickSeq != seq; });
  }

  void PeriodicExecutionContext::interrupt()
  {
    m_epoch.fetch_add(1);
  }
}
