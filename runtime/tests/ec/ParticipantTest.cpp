// Components added with add_component: attached with this context, driven through their object
// reference with the handle they returned, and left alone once removed.
#include "EcTestBed.h"
#include "FakeDataFlowComponent.h"

#include <thread>

using namespace ectest;

namespace
{

  class Participant : public ContextWithOwner
  {
  protected:
    RTC::LifeCycleState participantState() { return ec->get_component_state(comp.in()); }
    bool waitForParticipantState(RTC::LifeCycleState state)
    {
      return testsupport::waitUntil([&] { return participantState() == state; }, std::chrono::seconds(10),
                                    std::chrono::milliseconds(1));
    }
    void addStartActivate()
    {
      ASSERT_EQ(RTC::RTC_OK, ec->add_component(comp.in()));
      ASSERT_EQ(RTC::RTC_OK, ec->start());
      ASSERT_EQ(RTC::RTC_OK, ec->activate_component(comp.in()));
      ASSERT_TRUE(peerLog->waitForCount("on_activated", 1));
    }

    std::shared_ptr<CallLog> peerLog = std::make_shared<CallLog>();
    Activated<FakeDataFlowComponent> peer{new FakeDataFlowComponent(peerLog)};
    RTC::LightweightRTObject_var comp = RTC::LightweightRTObject::_narrow(peer.ref());
  };

}  // namespace

TEST_F(Participant, AddedComponentIsAttachedToThisContextAndListed)
{
  EXPECT_EQ(RTC::RTC_OK, ec->add_component(comp.in()));

  RTC::ExecutionContext_var attached = peer->attachedContext();
  ASSERT_FALSE(CORBA::is_nil(attached.in()));
  EXPECT_TRUE(attached->_is_equivalent(ec.in()));
  RTC::ExecutionContextProfile_var profile = ec->get_profile();
  ASSERT_EQ(1u, profile->participants.length());
  EXPECT_TRUE(profile->participants[0]->_is_equivalent(comp.in()));
  EXPECT_TRUE(profile->owner->_is_equivalent(owner.in()));
  EXPECT_EQ(RTC::INACTIVE_STATE, participantState());
}

TEST_F(Participant, ParticipantIsDrivenWithTheHandleItsAttachReturned)
{
  peer->setAttachResult(1003);
  ASSERT_NO_FATAL_FAILURE(addStartActivate());
  ASSERT_TRUE(peerLog->waitForCount("on_state_update", 1));

  ASSERT_EQ(RTC::RTC_OK, ec->deactivate_component(comp.in()));

  EXPECT_EQ(1u, peerLog->count("on_startup"));
  EXPECT_EQ(1u, peerLog->count("on_deactivated"));
  for (const auto& call : peerLog->calls())
  {
    EXPECT_EQ(1003, call.handle) << call.name;
  }
  for (const auto& call : log->calls())
  {
    EXPECT_EQ(0, call.handle) << "owner's " << call.name;
  }
}

TEST_F(Participant, RateChangeIsAnnouncedToParticipants)
{
  ASSERT_EQ(RTC::RTC_OK, ec->add_component(comp.in()));

  ASSERT_EQ(RTC::RTC_OK, ec->set_rate(20.0));

  EXPECT_EQ(1u, peerLog->count("on_rate_changed"));
  EXPECT_EQ(1u, log->count("on_rate_changed"));
}

TEST_F(Participant, FailingAttachIsBadParameter)
{
  peer->failAttach();

  EXPECT_EQ(RTC::BAD_PARAMETER, ec->add_component(comp.in()));

  RTC::ExecutionContextProfile_var profile = ec->get_profile();
  EXPECT_EQ(0u, profile->participants.length());
  EXPECT_EQ(RTC::CREATED_STATE, participantState());
}

TEST_F(Participant, RefusedAttachIsBadParameter)
{
  peer->setAttachResult(-1);

  EXPECT_EQ(RTC::BAD_PARAMETER, ec->add_component(comp.in()));

  EXPECT_EQ(RTC::CREATED_STATE, participantState());
}

TEST_F(Participant, RemovedParticipantIsDetachedAndHearsNoMore)
{
  peer->setAttachResult(1001);
  ASSERT_NO_FATAL_FAILURE(addStartActivate());
  ASSERT_TRUE(peerLog->waitForCount("on_execute", 3));

  EXPECT_EQ(RTC::RTC_OK, ec->remove_component(comp.in()));
  const std::size_t heard = peerLog->calls().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));  // some thirty periods

  const auto calls = peerLog->calls();
  EXPECT_EQ(heard, calls.size());
  EXPECT_EQ("detach_context", calls.back().name);
  EXPECT_EQ(1001, calls.back().handle);
  EXPECT_EQ(RTC::CREATED_STATE, participantState());
  EXPECT_EQ(RTC::BAD_PARAMETER, ec->remove_component(comp.in()));
  RTC::ExecutionContextProfile_var profile = ec->get_profile();
  EXPECT_EQ(0u, profile->participants.length());
}

TEST_F(Participant, ParticipantErrorLeavesTheOwnerRunning)
{
  peerLog->failNext("on_execute");
  ASSERT_NO_FATAL_FAILURE(addStartActivate());
  ASSERT_EQ(RTC::RTC_OK, ec->activate_component(owner.in()));

  ASSERT_TRUE(waitForParticipantState(RTC::ERROR_STATE));
  const std::size_t executed = log->count("on_execute");
  EXPECT_TRUE(log->waitForCount("on_execute", executed + 3));
  EXPECT_EQ(RTC::ACTIVE_STATE, ownerState());
}

TEST_F(Participant, ParticipantThrowingFromAHandlerGoesToError)
{
  peerLog->throwNext("on_execute");

  ASSERT_NO_FATAL_FAILURE(addStartActivate());

  EXPECT_TRUE(waitForParticipantState(RTC::ERROR_STATE));
  EXPECT_TRUE(peerLog->waitForCount("on_aborting", 1));
}

TEST_F(Participant, ParticipantThatDisappearedGoesToErrorAndTheLoopGoesOn)
{
  ASSERT_NO_FATAL_FAILURE(addStartActivate());
  ASSERT_EQ(RTC::RTC_OK, ec->activate_component(owner.in()));

  peer.deactivate();

  EXPECT_TRUE(waitForParticipantState(RTC::ERROR_STATE));
  const std::size_t executed = log->count("on_execute");
  EXPECT_TRUE(log->waitForCount("on_execute", executed + 3));
}
