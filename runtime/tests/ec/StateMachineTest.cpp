// The per-component state machine as the owner of a context lives it: which handlers run, in
// which order, on which tick, and what a failing handler leads to.
#include "EcTestBed.h"

#include <future>
#include <thread>

using namespace ectest;
using Names = std::vector<std::string>;

namespace
{

  // Opens on destruction too, so a failing test never leaves the context's thread blocked.
  class Gate
  {
  public:
    ~Gate() { open(); }
    void open()
    {
      std::call_once(m_once, [this] { m_promise.set_value(); });
    }
    void wait() const { m_future.wait(); }

  private:
    std::promise<void> m_promise;
    std::shared_future<void> m_future = m_promise.get_future().share();
    std::once_flag m_once;
  };

}  // namespace

using StateMachine = ContextWithOwner;

TEST_F(StateMachine, ActivationIsOnlyARequestUntilTheContextTicks)
{
  EXPECT_EQ(RTC::RTC_OK, ec->activate_component(owner.in()));

  EXPECT_EQ(RTC::INACTIVE_STATE, ownerState());
  EXPECT_EQ(0u, log->count("on_activated"));

  ASSERT_EQ(RTC::RTC_OK, ec->start());
  EXPECT_TRUE(waitForOwnerState(RTC::ACTIVE_STATE));
  EXPECT_TRUE(log->waitForCount("on_activated", 1));
}

TEST_F(StateMachine, ActivateReturnsBeforeOnActivatedHasRun)
{
  Gate gate;
  log->onCall("on_activated", [&] { gate.wait(); });
  ASSERT_EQ(RTC::RTC_OK, ec->start());

  auto activation = std::async(std::launch::async, [&] { return ec->activate_component(owner.in()); });

  ASSERT_EQ(std::future_status::ready, activation.wait_for(std::chrono::seconds(10)))
    << "activate_component waited for on_activated";
  EXPECT_EQ(RTC::RTC_OK, activation.get());
  gate.open();
  EXPECT_TRUE(log->waitForCount("on_execute", 1));
}

TEST_F(StateMachine, ActiveComponentRunsExecuteThenStateUpdateEachTick)
{
  ASSERT_NO_FATAL_FAILURE(startActive());

  ASSERT_TRUE(log->waitForCount("on_state_update", 3));

  const Names names = log->names(7);
  EXPECT_EQ((Names{"on_startup", "on_activated", "on_execute", "on_state_update", "on_execute", "on_state_update",
                   "on_execute"}),
            names);
  for (const auto& call : log->calls())
  {
    EXPECT_EQ(0, call.handle) << call.name;
  }
}

TEST_F(StateMachine, DeactivateReturnsOnlyAfterOnDeactivatedRan)
{
  ASSERT_NO_FATAL_FAILURE(startActive());

  EXPECT_EQ(RTC::RTC_OK, ec->deactivate_component(owner.in()));

  EXPECT_EQ(1u, log->count("on_deactivated"));
  EXPECT_EQ(RTC::INACTIVE_STATE, ownerState());
}

TEST_F(StateMachine, InactiveComponentIsNeverExecuted)
{
  ASSERT_NO_FATAL_FAILURE(startActive());
  ASSERT_TRUE(log->waitForCount("on_execute", 5));
  ASSERT_EQ(RTC::RTC_OK, ec->deactivate_component(owner.in()));
  const std::size_t executed = log->count("on_execute");

  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // some fifty periods

  EXPECT_EQ(executed, log->count("on_execute"));
  const Names names = log->names();
  EXPECT_EQ("on_deactivated", names.back());
}

TEST_F(StateMachine, FailedExecuteResultsInDeactivatedThenAbortingThenErrorEachTick)
{
  log->failNext("on_execute");
  ASSERT_NO_FATAL_FAILURE(startActive());

  ASSERT_TRUE(log->waitForCount("on_error", 3));

  EXPECT_EQ((Names{"on_startup", "on_activated", "on_execute", "on_deactivated", "on_aborting", "on_error", "on_error",
                   "on_error"}),
            log->names(8));
  EXPECT_EQ(RTC::ERROR_STATE, ownerState());
}

TEST_F(StateMachine, ThrowingExecuteCountsAsFailure)
{
  log->throwNext("on_execute");
  ASSERT_NO_FATAL_FAILURE(startActive());

  ASSERT_TRUE(log->waitForCount("on_aborting", 1));

  EXPECT_EQ(0u, log->count("on_state_update"));
  EXPECT_TRUE(waitForOwnerState(RTC::ERROR_STATE));
}

TEST_F(StateMachine, FailedStateUpdateResultsInError)
{
  log->failNext("on_state_update");
  ASSERT_NO_FATAL_FAILURE(startActive());

  ASSERT_TRUE(log->waitForCount("on_error", 1));

  EXPECT_EQ(
    (Names{"on_startup", "on_activated", "on_execute", "on_state_update", "on_deactivated", "on_aborting", "on_error"}),
    log->names(7));
}

TEST_F(StateMachine, FailedActivationIsLeftForErrorAtTheNextTick)
{
  log->failNext("on_activated");
  ASSERT_EQ(RTC::RTC_OK, ec->start());
  ASSERT_EQ(RTC::RTC_OK, ec->activate_component(owner.in()));

  ASSERT_TRUE(log->waitForCount("on_error", 1));

  EXPECT_EQ((Names{"on_startup", "on_activated", "on_deactivated", "on_aborting", "on_error"}), log->names(5));
  EXPECT_EQ(RTC::ERROR_STATE, ownerState());
}

TEST_F(StateMachine, ResetResultsInOnResetThenInactive)
{
  log->failNext("on_execute");
  ASSERT_NO_FATAL_FAILURE(startActive());
  ASSERT_TRUE(log->waitForCount("on_error", 1));

  EXPECT_EQ(RTC::RTC_OK, ec->reset_component(owner.in()));

  EXPECT_TRUE(waitForOwnerState(RTC::INACTIVE_STATE));
  const Names names = log->names();
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ("on_error", names[names.size() - 2]);
  EXPECT_EQ("on_reset", names.back());
}

TEST_F(StateMachine, FailedResetStaysInError)
{
  log->failNext("on_execute");
  log->failNext("on_reset");
  ASSERT_NO_FATAL_FAILURE(startActive());
  ASSERT_TRUE(waitForOwnerState(RTC::ERROR_STATE));

  ASSERT_EQ(RTC::RTC_OK, ec->reset_component(owner.in()));
  ASSERT_TRUE(log->waitForCount("on_reset", 1));
  const std::size_t errors = log->count("on_error");

  ASSERT_TRUE(log->waitForCount("on_error", errors + 2));
  EXPECT_EQ(RTC::ERROR_STATE, ownerState());
  EXPECT_EQ(1u, log->count("on_aborting")) << "a failed reset is no new abort";
}

TEST_F(StateMachine, ComponentCanBeReactivatedAfterReset)
{
  log->failNext("on_execute");
  ASSERT_NO_FATAL_FAILURE(startActive());
  ASSERT_TRUE(waitForOwnerState(RTC::ERROR_STATE));
  ASSERT_EQ(RTC::RTC_OK, ec->reset_component(owner.in()));
  ASSERT_TRUE(waitForOwnerState(RTC::INACTIVE_STATE));

  EXPECT_EQ(RTC::RTC_OK, ec->activate_component(owner.in()));

  EXPECT_TRUE(log->waitForCount("on_state_update", 1));
  EXPECT_EQ(2u, log->count("on_activated"));
}

TEST_F(StateMachine, HandlerDeactivatingItsOwnComponentGetsOkAndSkipsStateUpdate)
{
  std::promise<RTC::ReturnCode_t> answer;
  std::once_flag once;
  log->onCall("on_execute",
              [&] { std::call_once(once, [&] { answer.set_value(ec->deactivate_component(owner.in())); }); });
  ASSERT_NO_FATAL_FAILURE(startActive());

  auto result = answer.get_future();
  ASSERT_EQ(std::future_status::ready, result.wait_for(std::chrono::seconds(10)));
  EXPECT_EQ(RTC::RTC_OK, result.get());
  EXPECT_TRUE(waitForOwnerState(RTC::INACTIVE_STATE));
  EXPECT_EQ((Names{"on_startup", "on_activated", "on_execute", "on_deactivated"}), log->names());
}

TEST_F(StateMachine, HandlerStoppingItsOwnContextDoesNotDeadlock)
{
  std::promise<RTC::ReturnCode_t> answer;
  std::once_flag once;
  log->onCall("on_execute", [&] { std::call_once(once, [&] { answer.set_value(ec->stop()); }); });
  ASSERT_NO_FATAL_FAILURE(startActive());

  auto result = answer.get_future();
  ASSERT_EQ(std::future_status::ready, result.wait_for(std::chrono::seconds(10)));
  EXPECT_EQ(RTC::RTC_OK, result.get());
  EXPECT_FALSE(ec->is_running());
  EXPECT_EQ(1u, log->count("on_shutdown"));
}

TEST_F(StateMachine, DeactivateOnStoppedContextFailsWithoutWaiting)
{
  ASSERT_NO_FATAL_FAILURE(startActive());
  ASSERT_EQ(RTC::RTC_OK, ec->stop());

  auto deactivation = std::async(std::launch::async, [&] { return ec->deactivate_component(owner.in()); });

  ASSERT_EQ(std::future_status::ready, deactivation.wait_for(std::chrono::seconds(5)));
  EXPECT_EQ(RTC::RTC_ERROR, deactivation.get());
}

TEST_F(StateMachine, DeactivateWaitsForASlowOnDeactivated)
{
  Gate gate;
  log->onCall("on_deactivated", [&] { gate.wait(); });
  ASSERT_NO_FATAL_FAILURE(startActive());
  auto deactivation = std::async(std::launch::async, [&] { return ec->deactivate_component(owner.in()); });
  ASSERT_TRUE(log->waitForCount("on_deactivated", 1));

  EXPECT_EQ(std::future_status::timeout, deactivation.wait_for(std::chrono::milliseconds(20)));
  gate.open();

  ASSERT_EQ(std::future_status::ready, deactivation.wait_for(std::chrono::seconds(10)));
  EXPECT_EQ(RTC::RTC_OK, deactivation.get());
}

TEST_F(StateMachine, DestroyEndsTheLoopWithoutCallingHandlers)
{
  ASSERT_NO_FATAL_FAILURE(startActive());
  ASSERT_TRUE(log->waitForCount("on_execute", 1));

  sut->destroy();
  const std::size_t calls = log->calls().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  sut->destroy();

  EXPECT_EQ(calls, log->calls().size());
  EXPECT_EQ(0u, log->count("on_shutdown"));
  EXPECT_EQ(0u, log->count("on_deactivated"));
}
