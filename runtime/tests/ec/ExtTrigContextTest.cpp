// The externally triggered context: a tick is one whole cycle, done when tick() returns, and
// nothing runs between ticks; ticks that cannot be waited for (stopped context, a handler ticking
// its own context) return at once instead of hanging their caller.
#include "EcTestBed.h"
#include "RecordingCallbacks.h"

#include <atomic>

using namespace ectest;

namespace
{
  class ExtTrigContext : public ::testing::Test
  {
  protected:
    ExtTrigContext()
    {
      owner = RTC::RTObject::_unchecked_narrow(ownerObject.ref());
      PortableServer::POA_var poa = rootPoa();
      sut = new rtm::PeriodicExecutionContext(poa.in(), rtm::PeriodicExecutionContext::Trigger::External);
      sut->bindOwner(std::make_unique<RecordingCallbacks>(log), owner.in());
      ec = sut->getObjRef();
    }
    ~ExtTrigContext() override { sut->destroy(); }

    RTC::LifeCycleState state() { return ec->get_component_state(owner.in()); }

    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    Activated<PlainObject> ownerObject{new PlainObject};
    RTC::RTObject_var owner;
    PortableServer::Servant_var<rtm::PeriodicExecutionContext> sut;
    OpenRTM::ExtTrigExecutionContextService_var ec;
  };
}

TEST_F(ExtTrigContext, EachTickIsOneWholeCycleAndNothingRunsBetweenTicks)
{
  ASSERT_EQ(ec->start(), RTC::RTC_OK);
  ASSERT_EQ(ec->activate_component(owner.in()), RTC::RTC_OK);
  EXPECT_EQ(state(), RTC::INACTIVE_STATE) << "no tick, no transition";

  ec->tick();
  EXPECT_EQ(state(), RTC::ACTIVE_STATE);
  EXPECT_EQ(log->count("on_activated"), 1u);
  EXPECT_EQ(log->count("on_execute"), 0u) << "a transition is the whole of its cycle";

  ec->tick();
  ec->tick();
  EXPECT_EQ(log->count("on_execute"), 2u);
  EXPECT_EQ(log->count("on_state_update"), 2u);

  // Deactivating waits for no tick: it is carried out at once, on the context's thread.
  EXPECT_EQ(ec->deactivate_component(owner.in()), RTC::RTC_OK);
  EXPECT_EQ(state(), RTC::INACTIVE_STATE);
  EXPECT_EQ(log->count("on_deactivated"), 1u);
  ec->tick();
  EXPECT_EQ(log->count("on_execute"), 2u);
}

TEST_F(ExtTrigContext, TicksThatCannotBeWaitedForReturnAtOnce)
{
  ec->tick();  // not started: nothing to run, nothing to wait for
  EXPECT_EQ(log->count("on_execute"), 0u);

  ASSERT_EQ(ec->start(), RTC::RTC_OK);
  ASSERT_EQ(ec->activate_component(owner.in()), RTC::RTC_OK);
  ec->tick();
  std::atomic<int> inner{0};
  // A handler that ticks its own context gets its cycle after the one it runs in.
  log->onCall("on_execute", [&] {
    if (inner++ == 0)
      ec->tick();
  });
  ec->tick();
  ASSERT_TRUE(log->waitForCount("on_execute", 2));
  EXPECT_EQ(inner.load(), 2);

  ASSERT_EQ(ec->stop(), RTC::RTC_OK);
  ec->tick();
  EXPECT_EQ(log->count("on_execute"), 2u);
}
