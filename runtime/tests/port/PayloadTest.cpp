// The octets on the wire, both directions, against the layout peers of the 1.1 middleware use:
// a bare little-endian CDR stream, TimedLong = sec, nsec, data.
#include "PortFixture.h"

#include <gtest/gtest.h>

using namespace porttest;
using namespace std::chrono_literals;

namespace
{
  using Bytes = std::vector<CORBA::Octet>;

  class PayloadTest : public ::testing::Test
  {
  protected:
    LongPorts sut{"P"};
    Served<RecordingInPort> peer;
  };
}

TEST_F(PayloadTest, OutPortSendsTwelveLittleEndianOctetsPerTimedLong)
{
  ASSERT_EQ(RTC::RTC_OK, attachRawReader(sut.out.getPortRef(), OpenRTM::InPortCdr::_narrow(peer.ref)));

  sut.outSample = timedLong(1, 2, -3);
  ASSERT_TRUE(sut.out.write());
  sut.outSample = timedLong(0x01020304, 0, 0x7fffffff);
  ASSERT_TRUE(sut.out.write());
  sut.outSample = timedLong(0xffffffff, 999999999, static_cast<CORBA::Long>(0x80000000));
  ASSERT_TRUE(sut.out.write());

  const auto received = peer->snapshot();
  ASSERT_EQ(3u, received.size());
  EXPECT_EQ((Bytes{0x01, 0, 0, 0, 0x02, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF}), received[0]);
  EXPECT_EQ((Bytes{0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F}), received[1]);
  EXPECT_EQ((Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xC9, 0x9A, 0x3B, 0, 0, 0, 0x80}), received[2]);
}

TEST_F(PayloadTest, OutPortSendsLittleEndianEvenWhenTheProfileAsksForBigFirst)
{
  ASSERT_EQ(RTC::RTC_OK, attachRawReader(sut.out.getPortRef(), OpenRTM::InPortCdr::_narrow(peer.ref),
                                         {{"dataport.serializer.cdr.endian", "big,little"}}));

  sut.outSample = timedLong(1, 2, -3);
  ASSERT_TRUE(sut.out.write());

  const auto received = peer->snapshot();
  ASSERT_EQ(1u, received.size());
  EXPECT_EQ((Bytes{0x01, 0, 0, 0, 0x02, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF}), received[0]);
}

TEST_F(PayloadTest, DoublesArePaddedFromTheFirstOctetOfThePayload)
{
  RTC::TimedDouble sample{};
  Host host{"D"};
  RTC::OutPort<RTC::TimedDouble> out("d", sample);
  host.addOut("d", out);
  ASSERT_EQ(RTC::RTC_OK, attachRawReader(out.getPortRef(), OpenRTM::InPortCdr::_narrow(peer.ref),
                                         {{"dataport.data_type", "IDL:RTC/TimedDouble:1.0"}}));

  sample.tm.sec = 1;
  sample.tm.nsec = 2;
  sample.data = 1.0;
  ASSERT_TRUE(out.write());

  const auto received = peer->snapshot();
  ASSERT_EQ(1u, received.size());
  EXPECT_EQ((Bytes{1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}), received[0]);
  host.shutdown();
}

TEST_F(PayloadTest, InPortDecodesLittleEndianOctetsFromAPeer)
{
  OpenRTM::InPortCdr_var target = attachRawWriter(sut.in.getPortRef());
  ASSERT_FALSE(CORBA::is_nil(target));

  EXPECT_EQ(OpenRTM::PORT_OK, target->put(octets({0x01, 0, 0, 0, 0x02, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF})));
  ASSERT_TRUE(sut.in.read());

  EXPECT_EQ(1u, sut.inSample.tm.sec);
  EXPECT_EQ(2u, sut.inSample.tm.nsec);
  EXPECT_EQ(-3, sut.inSample.data);
}

TEST_F(PayloadTest, InPortHonoursBigEndianWhenTheProfileNamesItFirst)
{
  OpenRTM::InPortCdr_var target =
    attachRawWriter(sut.in.getPortRef(), {{"dataport.serializer.cdr.endian", "big,little"}});
  ASSERT_FALSE(CORBA::is_nil(target));

  EXPECT_EQ(OpenRTM::PORT_OK, target->put(beTimedLong(0x01020304, 7, 0x7fffffff)));
  ASSERT_TRUE(sut.in.read());

  EXPECT_EQ(0x01020304u, sut.inSample.tm.sec);
  EXPECT_EQ(7u, sut.inSample.tm.nsec);
  EXPECT_EQ(0x7fffffff, sut.inSample.data);
}

TEST_F(PayloadTest, InPortAssumesLittleEndianWithoutSerializerOptions)
{
  RTC::ConnectorProfile cp = profileFor({sut.in.getPortRef()}, {}, "no-serializer");
  ASSERT_EQ(RTC::RTC_OK, sut.in.getPortRef()->notify_connect(cp));
  CORBA::Object_var obj =
    testsupport::testOrb()->string_to_object(getString(cp.properties, "dataport.corba_cdr.inport_ior").c_str());
  OpenRTM::InPortCdr_var target = OpenRTM::InPortCdr::_narrow(obj.in());

  EXPECT_EQ(OpenRTM::PORT_OK, target->put(leTimedLong(5, 6, -7)));
  ASSERT_TRUE(sut.in.read());

  EXPECT_EQ(-7, sut.inSample.data);
}

TEST_F(PayloadTest, EachConnectionDecodesInItsOwnByteOrder)
{
  std::string littleId = "little-writer";
  std::string bigId = "big-writer";
  OpenRTM::InPortCdr_var little = attachRawWriter(sut.in.getPortRef(), {}, &littleId);
  OpenRTM::InPortCdr_var big =
    attachRawWriter(sut.in.getPortRef(), {{"dataport.serializer.cdr.endian", "big"}}, &bigId);

  EXPECT_EQ(OpenRTM::PORT_OK, little->put(leTimedLong(1, 1, 100)));
  EXPECT_EQ(OpenRTM::PORT_OK, big->put(beTimedLong(2, 2, 200)));

  ASSERT_TRUE(sut.in.read());
  EXPECT_EQ(100, sut.inSample.data);
  ASSERT_TRUE(sut.in.read());
  EXPECT_EQ(200, sut.inSample.data);
}

TEST_F(PayloadTest, PullProviderEncodesInTheNegotiatedOrder)
{
  for (const char* endian : {"little", "big"})
  {
    SCOPED_TRACE(endian);
    RTC::ConnectorProfile cp = profileFor(
      {sut.out.getPortRef()}, {{"dataport.dataflow_type", "pull"}, {"dataport.serializer.cdr.endian", endian}},
      std::string("pull-") + endian);
    ASSERT_EQ(RTC::RTC_OK, sut.out.getPortRef()->notify_connect(cp));
    CORBA::Object_var obj =
      testsupport::testOrb()->string_to_object(getString(cp.properties, "dataport.corba_cdr.outport_ior").c_str());
    OpenRTM::OutPortCdr_var source = OpenRTM::OutPortCdr::_narrow(obj.in());
    ASSERT_FALSE(CORBA::is_nil(source));

    OpenRTM::CdrData_var before;
    EXPECT_EQ(OpenRTM::BUFFER_EMPTY, source->get(before.out()));
    EXPECT_EQ(0u, before->length());

    sut.outSample = timedLong(1, 2, -3);
    ASSERT_TRUE(sut.out.write());
    OpenRTM::CdrData_var data;
    ASSERT_EQ(OpenRTM::PORT_OK, source->get(data.out()));

    const OpenRTM::CdrData expected = std::string(endian) == "big" ? beTimedLong(1, 2, -3) : leTimedLong(1, 2, -3);
    ASSERT_EQ(12u, data->length());
    for (CORBA::ULong i = 0; i < 12; ++i)
      EXPECT_EQ(expected[i], data[i]) << "octet " << i;
    sut.out.getPortRef()->disconnect(cp.connector_id.in());
  }
}
