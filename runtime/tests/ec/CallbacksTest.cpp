// The two ways a context reaches a component: direct calls on a servant of this process, and
// calls through an object reference. Neither lets anything unwind into the context.
#include "EcTestBed.h"
#include "FakeDataFlowComponent.h"

#include "ec/ForwardingCallbacks.h"

using namespace ectest;
using Names = std::vector<std::string>;

namespace
{

  const Names kHandlers{"on_startup", "on_shutdown", "on_activated", "on_deactivated",  "on_aborting",
                        "on_error",   "on_reset",    "on_execute",   "on_state_update", "on_rate_changed"};

  void callEveryHandler(rtm::ComponentCallbacks& sut, RTC::ExecutionContextHandle_t h)
  {
    sut.on_startup(h);
    sut.on_shutdown(h);
    sut.on_activated(h);
    sut.on_deactivated(h);
    sut.on_aborting(h);
    sut.on_error(h);
    sut.on_reset(h);
    sut.on_execute(h);
    sut.on_state_update(h);
    sut.on_rate_changed(h);
  }

}  // namespace

TEST(ServantCallbacks, EveryHandlerReachesTheServantWithItsHandle)
{
  auto log = std::make_shared<CallLog>();
  PortableServer::Servant_var<FakeDataFlowComponent> servant = new FakeDataFlowComponent(log);
  rtm::ServantCallbacks sut(servant.in());

  callEveryHandler(sut, 7);

  EXPECT_EQ(kHandlers, log->names());
  for (const auto& call : log->calls())
  {
    EXPECT_EQ(7, call.handle) << call.name;
  }
}

TEST(ServantCallbacks, ReturnCodeIsPassedOn)
{
  auto log = std::make_shared<CallLog>();
  PortableServer::Servant_var<FakeDataFlowComponent> servant = new FakeDataFlowComponent(log);
  rtm::ServantCallbacks sut(servant.in());
  log->failNext("on_reset");

  EXPECT_EQ(RTC::RTC_ERROR, sut.on_reset(0));
  EXPECT_EQ(RTC::RTC_OK, sut.on_reset(0));
}

TEST(ServantCallbacks, ExceptionFromUserCodeResultsInRtcError)
{
  auto log = std::make_shared<CallLog>();
  PortableServer::Servant_var<FakeDataFlowComponent> servant = new FakeDataFlowComponent(log);
  rtm::ServantCallbacks sut(servant.in());
  log->throwNext("on_execute");

  RTC::ReturnCode_t result = RTC::RTC_OK;
  EXPECT_NO_THROW(result = sut.on_execute(0));
  EXPECT_EQ(RTC::RTC_ERROR, result);
}

TEST(RemoteCallbacks, EveryHandlerReachesTheComponentThroughItsReference)
{
  auto log = std::make_shared<CallLog>();
  Activated<FakeDataFlowComponent> component(new FakeDataFlowComponent(log));
  OpenRTM::DataFlowComponent_var ref = OpenRTM::DataFlowComponent::_narrow(component.ref());
  rtm::RemoteCallbacks sut(ref.in());

  callEveryHandler(sut, 1000);

  EXPECT_EQ(kHandlers, log->names());
  for (const auto& call : log->calls())
  {
    EXPECT_EQ(1000, call.handle) << call.name;
  }
}

TEST(RemoteCallbacks, ExceptionInTheServantResultsInRtcError)
{
  auto log = std::make_shared<CallLog>();
  Activated<FakeDataFlowComponent> component(new FakeDataFlowComponent(log));
  OpenRTM::DataFlowComponent_var ref = OpenRTM::DataFlowComponent::_narrow(component.ref());
  rtm::RemoteCallbacks sut(ref.in());
  log->throwNext("on_state_update");

  RTC::ReturnCode_t result = RTC::RTC_OK;
  EXPECT_NO_THROW(result = sut.on_state_update(1000));
  EXPECT_EQ(RTC::RTC_ERROR, result);
}

TEST(RemoteCallbacks, ComponentThatIsGoneResultsInRtcError)
{
  auto log = std::make_shared<CallLog>();
  Activated<FakeDataFlowComponent> component(new FakeDataFlowComponent(log));
  OpenRTM::DataFlowComponent_var ref = OpenRTM::DataFlowComponent::_narrow(component.ref());
  rtm::RemoteCallbacks sut(ref.in());
  component.deactivate();

  RTC::ReturnCode_t result = RTC::RTC_OK;
  EXPECT_NO_THROW(result = sut.on_execute(1000));
  EXPECT_EQ(RTC::RTC_ERROR, result);
  EXPECT_TRUE(log->calls().empty());
}
