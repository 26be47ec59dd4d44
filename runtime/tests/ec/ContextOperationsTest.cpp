// The context's CORBA operations called through its object reference, as a tool calls them: return
// codes for bad input and wrong states, the profile, and the identity its reference advertises.
#include "EcTestBed.h"

#include "testsupport/NamingClient.h"

#include <cmath>
#include <limits>

using namespace ectest;

using ContextOperations = ContextWithOwner;

namespace
{

  RTC::LightweightRTObject_ptr asComponent(CORBA::Object_ptr obj)
  {
    return RTC::LightweightRTObject::_unchecked_narrow(obj);
  }

}  // namespace

TEST_F(ContextOperations, UnknownComponentIsRefusedByEveryOperation)
{
  Activated<PlainObject> stranger(new PlainObject);
  RTC::LightweightRTObject_var comp = asComponent(stranger.ref());
  ASSERT_EQ(RTC::RTC_OK, ec->start());

  EXPECT_EQ(RTC::BAD_PARAMETER, ec->activate_component(comp.in()));
  EXPECT_EQ(RTC::BAD_PARAMETER, ec->deactivate_component(comp.in()));
  EXPECT_EQ(RTC::BAD_PARAMETER, ec->reset_component(comp.in()));
  EXPECT_EQ(RTC::BAD_PARAMETER, ec->remove_component(comp.in()));
  EXPECT_EQ(RTC::CREATED_STATE, ec->get_component_state(comp.in()));
}

TEST_F(ContextOperations, NilComponentIsRefused)
{
  EXPECT_EQ(RTC::BAD_PARAMETER, ec->add_component(RTC::LightweightRTObject::_nil()));
  EXPECT_EQ(RTC::BAD_PARAMETER, ec->activate_component(RTC::LightweightRTObject::_nil()));
  EXPECT_EQ(RTC::CREATED_STATE, ec->get_component_state(RTC::LightweightRTObject::_nil()));
}

TEST_F(ContextOperations, ObjectThatIsNoDataFlowComponentCannotBeAdded)
{
  Activated<PlainObject> notAComponent(new PlainObject);
  RTC::LightweightRTObject_var comp = asComponent(notAComponent.ref());

  EXPECT_EQ(RTC::BAD_PARAMETER, ec->add_component(comp.in()));

  RTC::ExecutionContextProfile_var profile = ec->get_profile();
  EXPECT_EQ(0u, profile->participants.length());
}

TEST_F(ContextOperations, OwnerCannotBeRemoved)
{
  EXPECT_EQ(RTC::BAD_PARAMETER, ec->remove_component(owner.in()));

  EXPECT_EQ(RTC::INACTIVE_STATE, ec->get_component_state(owner.in()));
}

TEST_F(ContextOperations, OwnerStartsInactive) { EXPECT_EQ(RTC::INACTIVE_STATE, ec->get_component_state(owner.in())); }

TEST_F(ContextOperations, RequestsInTheWrongStateAreRefused)
{
  ASSERT_EQ(RTC::RTC_OK, ec->start());
  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, ec->deactivate_component(owner.in()));
  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, ec->reset_component(owner.in()));

  ASSERT_EQ(RTC::RTC_OK, ec->activate_component(owner.in()));
  ASSERT_TRUE(waitForOwnerState(RTC::ACTIVE_STATE));

  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, ec->activate_component(owner.in()));
  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, ec->reset_component(owner.in()));
}

TEST_F(ContextOperations, ActivatingAComponentInErrorIsRefused)
{
  log->failNext("on_execute");
  ASSERT_NO_FATAL_FAILURE(startActive());
  ASSERT_TRUE(waitForOwnerState(RTC::ERROR_STATE));

  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, ec->activate_component(owner.in()));
  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, ec->deactivate_component(owner.in()));
}

TEST_F(ContextOperations, InvalidRateIsRefusedAndTheRateKept)
{
  for (double bad : {0.0, -5.0, std::nan(""), std::numeric_limits<double>::infinity()})
  {
    EXPECT_EQ(RTC::BAD_PARAMETER, ec->set_rate(bad)) << bad;
  }

  EXPECT_EQ(1000.0, ec->get_rate());
  EXPECT_EQ(0u, log->count("on_rate_changed"));
}

TEST_F(ContextOperations, NewRateIsReportedAndAnnouncedToComponents)
{
  EXPECT_EQ(RTC::RTC_OK, ec->set_rate(250.0));

  EXPECT_EQ(250.0, ec->get_rate());
  RTC::ExecutionContextProfile_var profile = ec->get_profile();
  EXPECT_EQ(250.0, profile->rate);
  ASSERT_EQ(1u, log->count("on_rate_changed"));
  EXPECT_EQ(0, log->calls().front().handle);
}

TEST_F(ContextOperations, RateChangeWhileRunningKeepsTheComponentExecuting)
{
  ASSERT_EQ(RTC::RTC_OK, ec->set_rate(2.0));  // a slow period the loop is asleep in
  ASSERT_NO_FATAL_FAILURE(startActive());
  ASSERT_TRUE(log->waitForCount("on_execute", 1));

  ASSERT_EQ(RTC::RTC_OK, ec->set_rate(1000.0));

  EXPECT_TRUE(log->waitForCount("on_execute", 50));
}

TEST_F(ContextOperations, StartingTwiceIsRefused)
{
  ASSERT_EQ(RTC::RTC_OK, ec->start());

  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, ec->start());
  EXPECT_TRUE(ec->is_running());
  EXPECT_EQ(1u, log->count("on_startup"));
}

TEST_F(ContextOperations, StoppingTwiceIsRefused)
{
  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, ec->stop()) << "never started";
  ASSERT_EQ(RTC::RTC_OK, ec->start());
  ASSERT_EQ(RTC::RTC_OK, ec->stop());

  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, ec->stop());
  EXPECT_FALSE(ec->is_running());
  EXPECT_EQ(1u, log->count("on_shutdown"));
}

TEST_F(ContextOperations, ContextCanBeRestartedAndResumesActiveComponents)
{
  ASSERT_NO_FATAL_FAILURE(startActive());
  ASSERT_EQ(RTC::RTC_OK, ec->stop());
  log->clear();

  ASSERT_EQ(RTC::RTC_OK, ec->start());

  EXPECT_TRUE(log->waitForCount("on_execute", 3));
  EXPECT_EQ("on_startup", log->names(1).at(0));
}

TEST_F(ContextOperations, StartAndStopAreAnnouncedWithTheOwnersHandle)
{
  EXPECT_FALSE(ec->is_running());
  ASSERT_EQ(RTC::RTC_OK, ec->start());
  EXPECT_TRUE(ec->is_running());
  ASSERT_EQ(RTC::RTC_OK, ec->stop());

  const auto calls = log->calls();
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ("on_startup", calls[0].name);
  EXPECT_EQ("on_shutdown", calls[1].name);
  EXPECT_EQ(0, calls[0].handle);
  EXPECT_EQ(0, calls[1].handle);
}

TEST_F(ContextOperations, KindIsPeriodic) { EXPECT_EQ(RTC::PERIODIC, ec->get_kind()); }

TEST_F(ContextOperations, ProfileNamesTheOwnerButNotAsParticipant)
{
  RTC::ExecutionContextProfile_var profile = ec->get_profile();

  EXPECT_EQ(RTC::PERIODIC, profile->kind);
  EXPECT_EQ(1000.0, profile->rate);
  ASSERT_FALSE(CORBA::is_nil(profile->owner.in()));
  EXPECT_TRUE(profile->owner->_is_equivalent(owner.in()));
  EXPECT_EQ(0u, profile->participants.length());
  EXPECT_EQ(0u, profile->properties.length());
}

TEST_F(ContextOperations, ReferenceAdvertisesTheExternallyTriggeredContextType)
{
  EXPECT_EQ("IDL:openrtm.aist.go.jp/OpenRTM/ExtTrigExecutionContextService:1.0", iorTypeId(ec.in()));
}

TEST_F(ContextOperations, ReferenceFromItsStringIsEveryContextInterface)
{
  CORBA::String_var ior = testsupport::testOrb()->object_to_string(ec.in());
  CORBA::Object_var sut = testsupport::testOrb()->string_to_object(ior.in());

  EXPECT_TRUE(sut->_is_a("IDL:omg.org/RTC/ExecutionContextService:1.0"));
  EXPECT_TRUE(sut->_is_a("IDL:omg.org/RTC/ExecutionContext:1.0"));
  EXPECT_TRUE(sut->_is_a("IDL:org.omg/SDOPackage/SDOService:1.0"));
  EXPECT_TRUE(sut->_is_a("IDL:openrtm.aist.go.jp/OpenRTM/ExtTrigExecutionContextService:1.0"));
  EXPECT_FALSE(sut->_is_a("IDL:omg.org/RTC/RTObject:1.0"));
  EXPECT_FALSE(sut->_is_a("IDL:omg.org/SDOPackage/SDOService:1.0")) << "the SDO prefix is reversed";
}

TEST_F(ContextOperations, TickIsAcceptedAndDoesNothing)
{
  EXPECT_NO_THROW(ec->tick());
  EXPECT_TRUE(log->calls().empty());
}
