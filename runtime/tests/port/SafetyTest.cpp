// What peers can do wrong, and what the port does about it: octets of another type, peers that
// die or misbehave mid-stream. The port keeps working and nothing is thrown at the component.
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/idl/ExtendedDataTypesSkel.h>
#include <rtm/idl/InterfaceDataTypesSkel.h>

#include "PortFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

using namespace porttest;
using namespace std::chrono_literals;

namespace
{
  class ThrowingInPort : public virtual POA_OpenRTM::InPortCdr
  {
  public:
    OpenRTM::PortStatus put(const OpenRTM::CdrData&) override
    {
      ++calls;
      throw CORBA::TRANSIENT();
    }
    std::atomic<int> calls{0};
  };

  class MalformedPutTest : public ::testing::Test
  {
  protected:
    LongPorts sut{"M"};
  };
}

TEST_F(MalformedPutTest, OctetsOfAnotherShapeAreRefusedWithPortErrorAndNothingIsBuffered)
{
  OpenRTM::InPortCdr_var in = attachRawWriter(sut.in.getPortRef());
  const std::vector<OpenRTM::CdrData> malformed = {
    octets({}), octets({1, 0, 0, 0, 2, 0, 0, 0}),  // too short
    octets({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4}),  // one octet left over
    octets({1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}),  // a TimedDouble
  };
  for (const OpenRTM::CdrData& data : malformed)
  {
    SCOPED_TRACE(data.length());
    EXPECT_EQ(OpenRTM::PORT_ERROR, in->put(data));
    EXPECT_FALSE(sut.in.isNew());
  }

  EXPECT_EQ(OpenRTM::PORT_OK, in->put(leTimedLong(1, 2, 3)));
  ASSERT_TRUE(sut.in.read());
  EXPECT_EQ(3, sut.inSample.data);
}

TEST(MalformedVariablePutTest, HostileLengthsAreRefusedWithoutReadingPastTheOctets)
{
  RTC::TimedLongSeq seqSample{};
  RTC::TimedString stringSample{};
  Host host{"V"};
  RTC::InPort<RTC::TimedLongSeq> seqIn("seq", seqSample);
  RTC::InPort<RTC::TimedString> stringIn("str", stringSample);
  host.addIn("seq", seqIn);
  host.addIn("str", stringIn);
  OpenRTM::InPortCdr_var seq =
    attachRawWriter(seqIn.getPortRef(), {{"dataport.data_type", "IDL:RTC/TimedLongSeq:1.0"}});
  OpenRTM::InPortCdr_var str =
    attachRawWriter(stringIn.getPortRef(), {{"dataport.data_type", "IDL:RTC/TimedString:1.0"}});

  // 0x20000001 longs claimed: a 32-bit size check would wrap round to four octets.
  EXPECT_EQ(OpenRTM::PORT_ERROR, seq->put(octets({1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0x20, 7, 0, 0, 0})));
  EXPECT_EQ(OpenRTM::PORT_ERROR, seq->put(octets({1, 0, 0, 0, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF})));
  // A string of 5 claimed with 2 octets present, and one without its terminating NUL.
  EXPECT_EQ(OpenRTM::PORT_ERROR, str->put(octets({1, 0, 0, 0, 2, 0, 0, 0, 5, 0, 0, 0, 'h', 'i'})));
  EXPECT_EQ(OpenRTM::PORT_ERROR, str->put(octets({1, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 'h', 'i'})));
  EXPECT_FALSE(seqIn.isNew());
  EXPECT_FALSE(stringIn.isNew());

  EXPECT_EQ(OpenRTM::PORT_OK, str->put(octets({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 'h', 'i', 0})));
  ASSERT_TRUE(stringIn.read());
  EXPECT_STREQ("hi", stringSample.data.in());
  host.shutdown();
}

TEST(MalformedVariablePutTest, BooleanOctetsOtherThanZeroOrOneReadAsTrue)
{
  RTC::TimedBooleanSeq sample{};
  Host host{"B"};
  RTC::InPort<RTC::TimedBooleanSeq> in("b", sample);
  host.addIn("b", in);
  OpenRTM::InPortCdr_var writer =
    attachRawWriter(in.getPortRef(), {{"dataport.data_type", "IDL:RTC/TimedBooleanSeq:1.0"}});

  ASSERT_EQ(OpenRTM::PORT_OK, writer->put(octets({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0, 2, 0xFF})));
  ASSERT_TRUE(in.read());

  ASSERT_EQ(3u, sample.data.length());
  const unsigned char* stored = reinterpret_cast<const unsigned char*>(sample.data.get_buffer());
  EXPECT_EQ(0, stored[0]);
  EXPECT_EQ(1, stored[1]);
  EXPECT_EQ(1, stored[2]);
  host.shutdown();
}

TEST(MalformedVariablePutTest, AnEnumValueOutsideItsTypeIsRefusedAndTheNextSampleGoesThrough)
{
  RTC::GripperState sample{};
  Host host{"E"};
  RTC::InPort<RTC::GripperState> in("g", sample);
  host.addIn("g", in);
  OpenRTM::InPortCdr_var writer =
    attachRawWriter(in.getPortRef(), {{"dataport.data_type", "IDL:RTC/GripperState:1.0"}});

  // GripperStatus has four values, 0 to 3.
  testing::internal::CaptureStderr();
  EXPECT_EQ(OpenRTM::PORT_ERROR, writer->put(octets({1, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0})));
  EXPECT_EQ(OpenRTM::PORT_ERROR, writer->put(octets({1, 0, 0, 0, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF})));
  const std::string warned = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(in.isNew());
  EXPECT_EQ(1, std::count(warned.begin(), warned.end(), '\n')) << warned;
  EXPECT_NE(std::string::npos, warned.find("dropped a sample of 12 octets that is no IDL:RTC/GripperState:1.0"))
    << warned;

  EXPECT_EQ(OpenRTM::PORT_OK, writer->put(octets({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0})));
  ASSERT_TRUE(in.read());
  EXPECT_EQ(RTC::GRIPPER_STATE_UNKNOWN, sample.status);
  host.shutdown();
}

namespace
{
  class DeadPeerTest : public ::testing::Test
  {
  protected:
    std::string connect(LongPorts& reader, const Props& props)
    {
      RTC::ConnectorProfile cp = profileFor({a.out.getPortRef(), reader.in.getPortRef()}, props);
      EXPECT_EQ(RTC::RTC_OK, connectVia(a.out.getPortRef(), cp));
      return cp.connector_id.in();
    }

    // The peer's objects vanish without a word, as when its process is killed.
    static void vanish(LongPorts& peer) { peer.in.deactivatePort(); }

    LongPorts a{"A"};
    LongPorts dying{"Dying"};
    LongPorts living{"Living"};
  };
}

TEST_F(DeadPeerTest, FlushWriteRemovesTheDeadConnectorAndOthersGoOn)
{
  connect(dying, {{"dataport.subscription_type", "flush"}});
  const std::string kept = connect(living, {{"dataport.subscription_type", "flush"}});
  vanish(dying);

  a.outSample = timedLong(1, 1, 1);
  EXPECT_FALSE(a.out.write());

  EXPECT_EQ(std::vector<std::string>{kept}, connectorIds(a.out.getPortRef()));
  a.outSample = timedLong(2, 2, 2);
  EXPECT_TRUE(a.out.write());
  ASSERT_TRUE(living.in.read());
  EXPECT_EQ(1, living.inSample.data);
  ASSERT_TRUE(living.in.read());
  EXPECT_EQ(2, living.inSample.data);
}

TEST_F(DeadPeerTest, AsyncPublisherLossIsActedOnAtTheNextWrite)
{
  for (const char* kind : {"new", "periodic"})
  {
    SCOPED_TRACE(kind);
    LongPorts peer{std::string("Peer-") + kind};
    connect(peer, {{"dataport.subscription_type", kind}, {"dataport.publisher.push_rate", "200"}});
    a.out.activateInterfaces();
    vanish(peer);

    EXPECT_TRUE(testsupport::waitUntil(
      [&] {
        a.out.write();
        return a.out.connectionCount() == 0;
      },
      5s));
    a.out.deactivateInterfaces();
  }
}

TEST_F(DeadPeerTest, ReadingTheProfileSweepsConnectorsOfDeadPeers)
{
  connect(dying, {});
  const std::string kept = connect(living, {});
  vanish(dying);

  RTC::PortProfile_var profile = a.out.getPortRef()->get_port_profile();

  ASSERT_EQ(1u, profile->connector_profiles.length());
  EXPECT_EQ(kept, profile->connector_profiles[0].connector_id.in());
}

TEST_F(DeadPeerTest, InPortSweepsAConnectionWhoseWriterIsGone)
{
  connect(dying, {});
  a.out.deactivatePort();

  EXPECT_TRUE(connectorIds(dying.in.getPortRef()).empty());
}

TEST_F(DeadPeerTest, PullReaderDropsAWriterThatIsGone)
{
  RTC::ConnectorProfile cp =
    profileFor({a.out.getPortRef(), living.in.getPortRef()}, {{"dataport.dataflow_type", "pull"}});
  ASSERT_EQ(RTC::RTC_OK, connectVia(a.out.getPortRef(), cp));
  a.out.deactivatePort();

  EXPECT_FALSE(living.in.read());
  EXPECT_EQ(0u, living.in.connectionCount());
}

TEST(MisbehavingPeerTest, APeerThatThrowsLosesItsConnectionAndWriteDoesNotThrow)
{
  LongPorts sut{"T"};
  Served<ThrowingInPort> peer;
  ASSERT_EQ(RTC::RTC_OK, attachRawReader(sut.out.getPortRef(), OpenRTM::InPortCdr::_narrow(peer.ref)));

  EXPECT_NO_THROW(EXPECT_FALSE(sut.out.write()));

  EXPECT_EQ(1, peer->calls.load());
  EXPECT_EQ(0u, sut.out.connectionCount());
}

TEST(MisbehavingPeerTest, APeerWithAFullBufferKeepsItsConnectionButTheWriteReportsFailure)
{
  LongPorts sut{"F"};
  Served<RecordingInPort> peer;
  peer->answer = OpenRTM::BUFFER_FULL;
  ASSERT_EQ(RTC::RTC_OK, attachRawReader(sut.out.getPortRef(), OpenRTM::InPortCdr::_narrow(peer.ref)));

  EXPECT_FALSE(sut.out.write());

  EXPECT_EQ(1u, sut.out.connectionCount());
}
