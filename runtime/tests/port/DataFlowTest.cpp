// Samples from an OutPort to an InPort of another component over each dataflow and
// subscription type: values and time stamps intact, in order, and nothing sent where the
// connection's kind says not to.
#include "PortFixture.h"

#include <gtest/gtest.h>

using namespace porttest;
using namespace std::chrono_literals;

namespace
{
  class DataFlowTest : public ::testing::Test
  {
  protected:
    void connect(const Props& props)
    {
      RTC::ConnectorProfile cp = profileFor({a.out.getPortRef(), b.in.getPortRef()}, props);
      ASSERT_EQ(RTC::RTC_OK, connectVia(a.out.getPortRef(), cp));
      id = cp.connector_id.in();
    }

    bool writeAndReceive(const RTC::TimedLong& sample)
    {
      a.outSample = sample;
      a.out.write();
      if (!testsupport::waitUntil([this] { return b.in.isNew(); }, 5s))
        return false;
      return b.in.read();
    }

    LongPorts a{"A"};
    LongPorts b{"B"};
    std::string id;
  };
}

TEST_F(DataFlowTest, FlushDeliversEverySampleInOrderToAReaderThatKeepsUp)
{
  connect({{"dataport.subscription_type", "flush"}});

  for (CORBA::Long i = 0; i < 200; ++i)
  {
    a.outSample = timedLong(1000 + i, 999999999 - i, i * 7 - 500);
    ASSERT_TRUE(a.out.write());
    ASSERT_TRUE(b.in.isNew());
    ASSERT_TRUE(b.in.read());
    ASSERT_EQ(i * 7 - 500, b.inSample.data);
    ASSERT_EQ(static_cast<CORBA::ULong>(1000 + i), b.inSample.tm.sec);
    ASSERT_EQ(static_cast<CORBA::ULong>(999999999 - i), b.inSample.tm.nsec);
  }
  EXPECT_FALSE(b.in.isNew());
}

TEST_F(DataFlowTest, NewDeliversEachSampleWhenTheWriterWaitsForIt)
{
  connect({{"dataport.subscription_type", "new"}});

  for (CORBA::Long i = 0; i < 50; ++i)
  {
    ASSERT_TRUE(writeAndReceive(timedLong(i, i + 1, -i)));
    ASSERT_EQ(-i, b.inSample.data);
    ASSERT_EQ(static_cast<CORBA::ULong>(i + 1), b.inSample.tm.nsec);
  }
}

TEST_F(DataFlowTest, NewWithPushPolicyAllDeliversABurstInOrder)
{
  connect({{"dataport.subscription_type", "new"}, {"dataport.publisher.push_policy", "all"}});

  for (CORBA::Long i = 1; i <= 8; ++i)
  {
    a.outSample = timedLong(i, 0, i);
    a.out.write();
  }

  ASSERT_TRUE(testsupport::waitUntil([this] { return b.in.isNew() && b.in.isEmpty() == false; }, 5s));
  std::vector<CORBA::Long> got;
  testsupport::waitUntil(
    [&] {
      while (b.in.isNew() && b.in.read())
        got.push_back(b.inSample.data);
      return got.size() >= 8;
    },
    5s);
  EXPECT_EQ((std::vector<CORBA::Long>{1, 2, 3, 4, 5, 6, 7, 8}), got);
}

TEST_F(DataFlowTest, NewWithPushPolicyNewSendsTheLatestSample)
{
  connect({{"dataport.subscription_type", "new"}, {"dataport.publisher.push_policy", "new"}});

  for (CORBA::Long i = 1; i <= 20; ++i)
  {
    a.outSample = timedLong(i, 0, i);
    a.out.write();
  }

  // Whatever was skipped, the last sample always arrives, and nothing arrives twice or late.
  CORBA::Long last = 0;
  ASSERT_TRUE(testsupport::waitUntil(
    [&] {
      while (b.in.isNew() && b.in.read())
      {
        EXPECT_GT(b.inSample.data, last);
        last = b.inSample.data;
      }
      return last == 20;
    },
    5s));
}

TEST_F(DataFlowTest, PeriodicSendsOnlyWhileTheOwnerIsActive)
{
  connect({{"dataport.subscription_type", "periodic"}, {"dataport.publisher.push_rate", "200"}});
  a.outSample = timedLong(1, 1, 11);
  a.out.write();

  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(b.in.isNew());

  a.out.activateInterfaces();
  ASSERT_TRUE(testsupport::waitUntil([this] { return b.in.isNew(); }, 5s));
  ASSERT_TRUE(b.in.read());
  EXPECT_EQ(11, b.inSample.data);

  a.out.deactivateInterfaces();
}

TEST_F(DataFlowTest, PeriodicDeliversEachSampleWhenTheWriterWaitsForIt)
{
  connect({{"dataport.subscription_type", "periodic"}, {"dataport.push_rate", "500"}});
  a.out.activateInterfaces();

  for (CORBA::Long i = 0; i < 20; ++i)
  {
    ASSERT_TRUE(writeAndReceive(timedLong(i, 2 * i, 100 + i)));
    ASSERT_EQ(100 + i, b.inSample.data);
    ASSERT_EQ(static_cast<CORBA::ULong>(2 * i), b.inSample.tm.nsec);
  }
}

TEST_F(DataFlowTest, PullReadFetchesTheWrittenSampleFromThePeer)
{
  connect({{"dataport.dataflow_type", "pull"}});
  EXPECT_FALSE(b.in.read());

  a.outSample = timedLong(3, 4, 5);
  ASSERT_TRUE(a.out.write());

  ASSERT_TRUE(b.in.isNew());
  ASSERT_TRUE(b.in.read());
  EXPECT_EQ(5, b.inSample.data);
  EXPECT_EQ(3u, b.inSample.tm.sec);
  EXPECT_EQ(4u, b.inSample.tm.nsec);
}

TEST_F(DataFlowTest, PullWithoutReadbackDeliversEveryBufferedSampleOnceInOrder)
{
  connect({{"dataport.dataflow_type", "pull"}, {"dataport.buffer.read.empty_policy", "do_nothing"}});
  for (CORBA::Long i = 1; i <= 5; ++i)
  {
    a.outSample = timedLong(i, 0, i);
    ASSERT_TRUE(a.out.write());
  }

  std::vector<CORBA::Long> got;
  while (b.in.isNew() && b.in.read())
    got.push_back(b.inSample.data);

  EXPECT_EQ((std::vector<CORBA::Long>{1, 2, 3, 4, 5}), got);
}

TEST_F(DataFlowTest, OneWriteReachesEveryConnectedReader)
{
  LongPorts c{"C"};
  connect({{"dataport.subscription_type", "flush"}});
  RTC::ConnectorProfile toC =
    profileFor({a.out.getPortRef(), c.in.getPortRef()}, {{"dataport.subscription_type", "new"}});
  ASSERT_EQ(RTC::RTC_OK, connectVia(a.out.getPortRef(), toC));

  a.outSample = timedLong(9, 9, 99);
  EXPECT_TRUE(a.out.write());

  ASSERT_TRUE(b.in.read());
  EXPECT_EQ(99, b.inSample.data);
  ASSERT_TRUE(testsupport::waitUntil([&] { return c.in.isNew(); }, 5s));
  ASSERT_TRUE(c.in.read());
  EXPECT_EQ(99, c.inSample.data);
}

TEST_F(DataFlowTest, WritesAndReadsWithoutConnectionsReportFalse)
{
  a.outSample = timedLong(1, 1, 1);

  EXPECT_FALSE(a.out.write());
  EXPECT_FALSE(b.in.isNew());
  EXPECT_TRUE(b.in.isEmpty());
  EXPECT_FALSE(b.in.read());
}

TEST_F(DataFlowTest, AfterDisconnectTheReaderGetsNothingNew)
{
  connect({{"dataport.subscription_type", "flush"}});
  ASSERT_TRUE(writeAndReceive(timedLong(1, 1, 1)));

  ASSERT_EQ(RTC::RTC_OK, b.in.getPortRef()->disconnect(id.c_str()));

  a.outSample = timedLong(2, 2, 2);
  EXPECT_FALSE(a.out.write());
  EXPECT_FALSE(b.in.isNew());
}

TEST_F(DataFlowTest, SequenceTypesTravelIntact)
{
  RTC::TimedDoubleSeq sent{};
  RTC::TimedDoubleSeq received{};
  Host host{"S"};
  RTC::OutPort<RTC::TimedDoubleSeq> out("o", sent);
  RTC::InPort<RTC::TimedDoubleSeq> in("i", received);
  host.addOut("o", out);
  host.addIn("i", in);
  RTC::ConnectorProfile cp =
    profileFor({out.getPortRef(), in.getPortRef()}, {{"dataport.data_type", "IDL:RTC/TimedDoubleSeq:1.0"}});
  ASSERT_EQ(RTC::RTC_OK, connectVia(out.getPortRef(), cp));

  sent.tm.sec = 8;
  sent.data.length(3);
  sent.data[0] = 1.5;
  sent.data[1] = -2.25;
  sent.data[2] = 1e300;
  ASSERT_TRUE(out.write());
  ASSERT_TRUE(in.read());

  ASSERT_EQ(3u, received.data.length());
  EXPECT_EQ(8u, received.tm.sec);
  EXPECT_EQ(-2.25, received.data[1]);
  EXPECT_EQ(1e300, received.data[2]);
  host.shutdown();
}
