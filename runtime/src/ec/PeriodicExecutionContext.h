// The periodic execution context: one thread that drives the per-component state machine of
// every component it holds (its owner and the participants added over CORBA) at a fixed rate.
//
// Externally triggered (ExtTrigExecutionContext): the same context without a timer. Each tick()
// runs one cycle of every member on the context's thread and returns when that cycle has ended,
// so a caller can tick and then look. A deactivation is still carried out at once on that
// thread, since deactivate_component (and exit) wait for it and no tick may ever come.
//
// Lifetime: a CORBA servant with the ORB's reference counting. Create it with new and keep the
// creator's reference in a PortableServer::Servant_var (or drop it with _remove_ref()); the POA
// and the context's own thread hold one reference each while they use it. Call destroy() before
// letting go, or the thread keeps the object alive.
#pragma once

#include "ec/ComponentCallbacks.h"
#include "ec/ContextMember.h"
#include "ec/MemberStateMachine.h"
#include "ec/PeriodicTimer.h"

#include <rtm/idl/OpenRTM.hh>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace rtm
{
  class PeriodicExecutionContext : public virtual POA_OpenRTM::ExtTrigExecutionContextService
  {
  public:
    // Activates itself in poa and starts its (idle) thread. The context is not running until
    // start() and its period is 1 µs until set_rate() says otherwise.
    enum class Trigger
    {
      Timer,
      External
    };
    explicit PeriodicExecutionContext(PortableServer::POA_ptr poa, Trigger trigger = Trigger::Timer);

    PeriodicExecutionContext(const PeriodicExecutionContext&) = delete;
    PeriodicExecutionContext& operator=(const PeriodicExecutionContext&) = delete;

    // --- for the owning component, in this process ---------------------------------------------
    // Makes cb the owner, driven with handle 0 and starting INACTIVE. A second call replaces the
    // owner.
    RTC::ExecutionContextHandle_t bindOwner(std::unique_ptr<ComponentCallbacks> cb, RTC::RTObject_ptr ownerRef);
    // A new reference; the caller releases it.
    OpenRTM::ExtTrigExecutionContextService_ptr getObjRef();
    // Stops the thread without calling any handler and takes the servant out of its POA.
    // Idempotent. The owner deactivates its component and calls stop() first if it wants
    // on_deactivated and on_shutdown to run.
    void destroy();
    bool runsOnThisThread() const;

    std::uint64_t ticks() const;
    std::uint64_t overruns() const;
    double latenessPercentileUs(double p) const;
    void resetStats();

    // --- RTC::ExecutionContext -----------------------------------------------------------------
    CORBA::Boolean is_running() override;
    RTC::ReturnCode_t start() override;
    RTC::ReturnCode_t stop() override;
    CORBA::Double get_rate() override;
    RTC::ReturnCode_t set_rate(CORBA::Double rate) override;
    RTC::ReturnCode_t add_component(RTC::LightweightRTObject_ptr comp) override;
    RTC::ReturnCode_t remove_component(RTC::LightweightRTObject_ptr comp) override;
    RTC::ReturnCode_t activate_component(RTC::LightweightRTObject_ptr comp) override;
    RTC::ReturnCode_t deactivate_component(RTC::LightweightRTObject_ptr comp) override;
    RTC::ReturnCode_t reset_component(RTC::LightweightRTObject_ptr comp) override;
    RTC::LifeCycleState get_component_state(RTC::LightweightRTObject_ptr comp) override;
    RTC::ExecutionKind get_kind() override;

    // --- RTC::ExecutionContextService, OpenRTM::ExtTrigExecutionContextService -----------------
    RTC::ExecutionContextProfile* get_profile() override;
    void tick() override;

    PortableServer::POA_ptr _default_POA() override;

  protected:
    // Only the last _remove_ref() deletes a servant.
    ~PeriodicExecutionContext() override;

  private:
    using MemberPtr = std::shared_ptr<ContextMember>;

    // Stopping: stop() has been accepted and on_shutdown is running; Starting likewise.
    enum class Phase
    {
      Stopped,
      Starting,
      Running,
      Stopping
    };

    void run();
    void runTicks(std::unique_lock<std::mutex>& lock);
    void tickOnce();
    // The loop of the externally triggered context: cycles on request instead of on time.
    void runRequestedTicks(std::unique_lock<std::mutex>& lock);
    bool hasRequestedWorkLocked() const;
    void callEach(const std::vector<MemberPtr>& members, MemberStateMachine::Handler handler);

    MemberPtr findLocked(RTC::LightweightRTObject_ptr comp, bool includeOwner) const;
    // Asks the loop to move a member from `from` to `to` at its next tick (activate, reset).
    RTC::ReturnCode_t requestTransition(RTC::LightweightRTObject_ptr comp, RTC::LifeCycleState from,
                                        RTC::LifeCycleState to);
    bool hasWorkLocked() const;
    std::vector<MemberPtr> membersLocked() const;
    void waitForTickEndLocked(std::unique_lock<std::mutex>& lock);
    void interrupt();

    PortableServer::POA_var m_poa;
    PortableServer::ObjectId_var m_oid;
    OpenRTM::ExtTrigExecutionContextService_var m_ref;

    mutable std::mutex m_mutex;
    std::condition_variable m_work;  // wakes the idle thread
    std::condition_variable m_changed;  // a state changed, a tick ended, or the context stopped
    std::vector<MemberPtr> m_members;  // the owner first when there is one
    MemberPtr m_owner;
    Phase m_phase = Phase::Stopped;
    double m_rate;
    std::int64_t m_periodNs;
    bool m_inTick = false;
    std::uint64_t m_tickSeq = 0;
    bool m_destroyed = false;

    // The externally triggered context: cycles asked for and not yet begun, cycles ended, and
    // deactivate_component calls waiting for a deactivation that no tick may bring.
    const bool m_external;
    std::uint64_t m_tickRequests = 0;
    std::uint64_t m_requestedTicksDone = 0;
    int m_deactivateWaiters = 0;

    // Read without the lock between handlers.
    std::atomic<bool> m_halt{false};

    // Touched by the context's thread only.
    std::vector<MemberPtr> m_snapshot;

    PeriodicTimer m_timer;
    MemberStateMachine m_stateMachine{m_mutex, m_changed};
    std::atomic<std::thread::id> m_threadId{std::thread::id()};
    std::thread m_thread;
  };
}
