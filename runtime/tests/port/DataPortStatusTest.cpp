// What a data port reports of its last write per connection, and of its last read, for each way a
// peer can answer; a sample over the ORB's message limit costs that write, not the connection.
// Also the component's bulk readAll/writeAll over its data ports.
#include "PortFixture.h"

#include <rtm/DataPortStatus.h>

#include <gtest/gtest.h>

using namespace porttest;
using namespace std::chrono_literals;
using Status = RTC::DataPortStatus;

namespace
{
  struct PeerAnswer
  {
    std::string name;
    std::string subscription;
    OpenRTM::PortStatus answer;
    // The statuses of two writes in a row: a background publisher tells the second of the first.
    Status::Enum first;
    Status::Enum second;
  };

  class DataPortStatusTest : public ::testing::TestWithParam<PeerAnswer>
  {};

  std::string answerName(const ::testing::TestParamInfo<PeerAnswer>& info) { return info.param.name; }
}

TEST_P(DataPortStatusTest, EachPeerAnswerResultsInItsStatus)
{
  const PeerAnswer& c = GetParam();
  LongPorts sut("A");
  Served<RecordingInPort> peer;
  peer->answer = c.answer;
  ASSERT_EQ(RTC::RTC_OK, attachRawReader(sut.out.getPortRef(), OpenRTM::InPortCdr::_narrow(peer.ref.in()),
                                         {{"dataport.subscription_type", c.subscription}}));

  EXPECT_EQ(c.first == Status::PORT_OK, sut.out.write());
  EXPECT_EQ(RTC::DataPortStatusList{c.first}, sut.out.getStatusList());
  ASSERT_TRUE(testsupport::waitUntil([&] { return peer->snapshot().size() == 1; }, 5s));
  // The publisher thread records the answer just after the peer has the sample.
  EXPECT_TRUE(testsupport::waitUntil(
    [&] {
      sut.out.write();
      return sut.out.getStatus(0) == c.second;
    },
    5s));
  EXPECT_EQ(1u, sut.out.getConnectorIds().size());
}

INSTANTIATE_TEST_SUITE_P(
  EveryAnswer, DataPortStatusTest,
  ::testing::Values(
    PeerAnswer{"flush_ok", "flush", OpenRTM::PORT_OK, Status::PORT_OK, Status::PORT_OK},
    PeerAnswer{"flush_full", "flush", OpenRTM::BUFFER_FULL, Status::SEND_FULL, Status::SEND_FULL},
    PeerAnswer{"flush_timeout", "flush", OpenRTM::BUFFER_TIMEOUT, Status::SEND_TIMEOUT, Status::SEND_TIMEOUT},
    PeerAnswer{"flush_error", "flush", OpenRTM::PORT_ERROR, Status::PORT_ERROR, Status::PORT_ERROR},
    PeerAnswer{"flush_unknown", "flush", OpenRTM::UNKNOWN_ERROR, Status::UNKNOWN_ERROR, Status::UNKNOWN_ERROR},
    PeerAnswer{"new_ok", "new", OpenRTM::PORT_OK, Status::PORT_OK, Status::PORT_OK},
    PeerAnswer{"new_full", "new", OpenRTM::BUFFER_FULL, Status::PORT_OK, Status::BUFFER_FULL}),
  answerName);

TEST(DataPortStatusEdgeTest, NoConnectionAndALostPeerResultInTheirStatuses)
{
  LongPorts sut("A");
  EXPECT_FALSE(sut.out.write());
  EXPECT_TRUE(sut.out.getStatusList().empty());
  EXPECT_FALSE(sut.in.read());
  EXPECT_EQ(Status::PRECONDITION_NOT_MET, sut.in.getStatus(0));

  Served<RecordingInPort> gone;
  Served<RecordingInPort> live;
  ASSERT_EQ(RTC::RTC_OK, attachRawReader(sut.out.getPortRef(), OpenRTM::InPortCdr::_narrow(gone.ref.in()), {}, "g"));
  ASSERT_EQ(RTC::RTC_OK, attachRawReader(sut.out.getPortRef(), OpenRTM::InPortCdr::_narrow(live.ref.in()), {}, "l"));
  gone.stop();

  EXPECT_FALSE(sut.out.write());
  EXPECT_EQ((RTC::DataPortStatusList{Status::CONNECTION_LOST, Status::PORT_OK}), sut.out.getStatusList());
  EXPECT_EQ(std::vector<std::string>{"l"}, sut.out.getConnectorIds());
  EXPECT_TRUE(sut.out.write());
  EXPECT_EQ(2u, live->snapshot().size());
}

TEST(DataPortStatusEdgeTest, ReadsResultInTheirStatuses)
{
  LongPorts a("A");
  LongPorts b("B");
  RTC::ConnectorProfile cp =
    profileFor({a.out.getPortRef(), b.in.getPortRef()}, {{"dataport.inport.buffer.read.empty_policy", "do_nothing"}});
  ASSERT_EQ(RTC::RTC_OK, connectVia(a.out.getPortRef(), cp));

  EXPECT_FALSE(b.in.read());
  EXPECT_EQ(Status::BUFFER_EMPTY, b.in.getStatus(0));
  ASSERT_TRUE(a.out.write());
  EXPECT_TRUE(b.in.read());
  EXPECT_EQ(RTC::DataPortStatusList{Status::PORT_OK}, b.in.getStatusList());
}

TEST(DataPortStatusEdgeTest, ASampleOverTheMessageLimitResultsInInvalidArgsAndAConnectionThatGoesOn)
{
  RTC::TimedDoubleSeq outSample;
  RTC::TimedDoubleSeq inSample;
  Host a("A");
  Host b("B");
  RTC::OutPort<RTC::TimedDoubleSeq> sut("out", outSample);
  RTC::InPort<RTC::TimedDoubleSeq> reader("in", inSample);
  a.addOut("out", sut);
  b.addIn("in", reader);
  RTC::ConnectorProfile cp = profileFor({sut.getPortRef(), reader.getPortRef()});
  ASSERT_EQ(RTC::RTC_OK, connectVia(sut.getPortRef(), cp));

  outSample.data.length(omniORB::giopMaxMsgSize() / sizeof(CORBA::Double) + 1);
  EXPECT_FALSE(sut.write());
  EXPECT_EQ(RTC::DataPortStatusList{Status::INVALID_ARGS}, sut.getStatusList());
  EXPECT_FALSE(reader.isNew());

  outSample.data.length(1000);
  outSample.data[999] = 2.5;
  EXPECT_TRUE(sut.write());
  EXPECT_EQ(RTC::DataPortStatusList{Status::PORT_OK}, sut.getStatusList());
  ASSERT_TRUE(reader.read());
  EXPECT_EQ(2.5, inSample.data[999]);
  a.shutdown();
  b.shutdown();
}

namespace
{
  // A component whose tick reads x into y's sample, so a bulk read before and a bulk write after
  // carry a sample through it.
  class Relay : public Host
  {
  public:
    Relay() : Host("Relay"), x("x", xSample), y("y", ySample), z("z", zSample)
    {
      addInPort("x", x);
      addOutPort("y", y);
      addOutPort("z", z);
    }
    ~Relay() override
    {
      removeInPort(x);
      removeOutPort(y);
      removeOutPort(z);
      shutdown();
    }
    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      ySample.data = xSample.data + 1;
      return RTC::RTC_OK;
    }
    using RTC::RTObject_impl::deleteOutPort;

    RTC::TimedLong xSample{}, ySample{}, zSample{};
    RTC::InPort<RTC::TimedLong> x;
    RTC::OutPort<RTC::TimedLong> y;
    RTC::OutPort<RTC::TimedLong> z;
  };
}

TEST(DataPortSweepTest, BulkReadAndWriteAroundTheTickResultInASampleRelayed)
{
  Relay sut;
  LongPorts peer("P");
  RTC::ConnectorProfile in = profileFor({peer.out.getPortRef(), sut.x.getPortRef()});
  RTC::ConnectorProfile out = profileFor({sut.y.getPortRef(), peer.in.getPortRef()});
  ASSERT_EQ(RTC::RTC_OK, connectVia(peer.out.getPortRef(), in));
  ASSERT_EQ(RTC::RTC_OK, connectVia(sut.y.getPortRef(), out));
  sut.setReadAll();
  sut.setWriteAll(true, true);  // z is unconnected: its false must not stop y

  peer.outSample.data = 41;
  ASSERT_TRUE(peer.out.write());
  EXPECT_EQ(RTC::RTC_OK, sut.on_execute(0));

  ASSERT_TRUE(peer.in.read());
  EXPECT_EQ(42, peer.inSample.data);
  // Unconnected, z says false, and so does the sweep until z is gone.
  EXPECT_FALSE(sut.writeAll());
  EXPECT_TRUE(sut.deleteOutPort(sut.z));
  EXPECT_TRUE(sut.writeAll());
}
