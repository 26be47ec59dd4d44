// The input buffer as peers fill it: default overwrite with readback, and each full and empty
// policy doing what it promises, without losing samples it was meant to keep.
#include "PortFixture.h"

#include <gtest/gtest.h>

#include <future>

using namespace porttest;
using namespace std::chrono_literals;

namespace
{
  class BufferTest : public ::testing::Test
  {
  protected:
    OpenRTM::InPortCdr_ptr writer(const Props& props = {})
    {
      target = attachRawWriter(sut.in.getPortRef(), props);
      return target.in();
    }

    std::vector<CORBA::Long> readAll(int limit = 20)
    {
      std::vector<CORBA::Long> got;
      while (sut.in.isNew() && limit-- > 0 && sut.in.read())
        got.push_back(sut.inSample.data);
      return got;
    }

    LongPorts sut{"Buf"};
    OpenRTM::InPortCdr_var target;
  };
}

TEST_F(BufferTest, TenSamplesIntoTheDefaultBufferResultInTheNewestEightThenReadback)
{
  OpenRTM::InPortCdr_ptr in = writer();
  for (CORBA::Long i = 1; i <= 10; ++i)
    ASSERT_EQ(OpenRTM::PORT_OK, in->put(leTimedLong(i, 0, i)));

  EXPECT_TRUE(sut.in.isNew());
  EXPECT_EQ((std::vector<CORBA::Long>{3, 4, 5, 6, 7, 8, 9, 10}), readAll());

  EXPECT_FALSE(sut.in.isNew());
  sut.inSample = timedLong(0, 0, 0);
  EXPECT_TRUE(sut.in.read());
  EXPECT_EQ(10, sut.inSample.data);
  EXPECT_EQ(10u, sut.inSample.tm.sec);
}

TEST_F(BufferTest, NothingEverReceivedReadsFalseAndLeavesTheSampleAlone)
{
  writer();
  sut.inSample = timedLong(4, 4, 4);

  EXPECT_FALSE(sut.in.isNew());
  EXPECT_FALSE(sut.in.read());
  EXPECT_EQ(4, sut.inSample.data);
}

TEST_F(BufferTest, DoNothingPolicyAnswersBufferFullAndKeepsTheFirstEight)
{
  OpenRTM::InPortCdr_ptr in = writer({{"dataport.buffer.write.full_policy", "do_nothing"}});
  for (CORBA::Long i = 1; i <= 8; ++i)
    ASSERT_EQ(OpenRTM::PORT_OK, in->put(leTimedLong(i, 0, i)));

  EXPECT_EQ(OpenRTM::BUFFER_FULL, in->put(leTimedLong(9, 0, 9)));

  EXPECT_EQ((std::vector<CORBA::Long>{1, 2, 3, 4, 5, 6, 7, 8}), readAll());
}

TEST_F(BufferTest, BlockPolicyTimesOutWhenNobodyReadsAndKeepsWhatItHad)
{
  OpenRTM::InPortCdr_ptr in = writer({{"dataport.buffer.write.full_policy", "BLOCK"},
                                      {"dataport.buffer.write.timeout", "0.05"},
                                      {"dataport.buffer.length", "2"}});
  ASSERT_EQ(OpenRTM::PORT_OK, in->put(leTimedLong(1, 0, 1)));
  ASSERT_EQ(OpenRTM::PORT_OK, in->put(leTimedLong(2, 0, 2)));

  EXPECT_EQ(OpenRTM::BUFFER_TIMEOUT, in->put(leTimedLong(3, 0, 3)));

  EXPECT_EQ((std::vector<CORBA::Long>{1, 2}), readAll());
}

TEST_F(BufferTest, BlockPolicyStoresTheSampleOnceTheReaderMakesRoom)
{
  OpenRTM::InPortCdr_ptr in = writer({{"dataport.buffer.write.full_policy", "block"},
                                      {"dataport.buffer.write.timeout", "10"},
                                      {"dataport.buffer.length", "1"}});
  ASSERT_EQ(OpenRTM::PORT_OK, in->put(leTimedLong(1, 0, 1)));

  auto blocked = std::async(std::launch::async, [&] { return in->put(leTimedLong(2, 0, 2)); });
  ASSERT_EQ(std::future_status::timeout, blocked.wait_for(50ms));
  ASSERT_TRUE(sut.in.read());
  EXPECT_EQ(1, sut.inSample.data);

  ASSERT_EQ(std::future_status::ready, blocked.wait_for(5s));
  EXPECT_EQ(OpenRTM::PORT_OK, blocked.get());
  ASSERT_TRUE(sut.in.read());
  EXPECT_EQ(2, sut.inSample.data);
}

TEST_F(BufferTest, DoNothingReadPolicyReportsEmptyInsteadOfReadback)
{
  OpenRTM::InPortCdr_ptr in = writer({{"dataport.buffer.read.empty_policy", "do_nothing"}});
  ASSERT_EQ(OpenRTM::PORT_OK, in->put(leTimedLong(1, 0, 1)));
  ASSERT_TRUE(sut.in.read());

  EXPECT_FALSE(sut.in.read());
}

TEST_F(BufferTest, ReadPolicyNamesAreCaseSensitive)
{
  OpenRTM::InPortCdr_ptr in = writer({{"dataport.buffer.read.empty_policy", "DO_NOTHING"}});
  ASSERT_EQ(OpenRTM::PORT_OK, in->put(leTimedLong(1, 0, 1)));
  ASSERT_TRUE(sut.in.read());

  // Not recognised, so the default readback applies.
  EXPECT_TRUE(sut.in.read());
  EXPECT_EQ(1, sut.inSample.data);
}

TEST_F(BufferTest, ConnectionsShareOneBufferAndANewLengthStartsItAfresh)
{
  std::string first = "first";
  std::string second = "second";
  std::string third = "third";
  OpenRTM::InPortCdr_var one = attachRawWriter(sut.in.getPortRef(), {}, &first);
  ASSERT_EQ(OpenRTM::PORT_OK, one->put(leTimedLong(1, 0, 1)));
  OpenRTM::InPortCdr_var two = attachRawWriter(sut.in.getPortRef(), {}, &second);
  ASSERT_EQ(OpenRTM::PORT_OK, two->put(leTimedLong(2, 0, 2)));

  EXPECT_EQ((std::vector<CORBA::Long>{1, 2}), readAll());

  ASSERT_EQ(OpenRTM::PORT_OK, one->put(leTimedLong(3, 0, 3)));
  OpenRTM::InPortCdr_var three = attachRawWriter(sut.in.getPortRef(), {{"dataport.buffer.length", "4"}}, &third);
  EXPECT_FALSE(sut.in.isNew());
}

TEST_F(BufferTest, DataInTheBufferOutlivesTheConnectionThatBroughtIt)
{
  std::string first = "first";
  std::string second = "second";
  OpenRTM::InPortCdr_var one = attachRawWriter(sut.in.getPortRef(), {}, &first);
  OpenRTM::InPortCdr_var two = attachRawWriter(sut.in.getPortRef(), {}, &second);
  ASSERT_EQ(OpenRTM::PORT_OK, one->put(leTimedLong(1, 0, 1)));

  ASSERT_EQ(RTC::RTC_OK, sut.in.getPortRef()->notify_disconnect("first"));

  EXPECT_TRUE(sut.in.read());
  EXPECT_EQ(1, sut.inSample.data);
  // The removed connection's object is gone.
  EXPECT_THROW(one->put(leTimedLong(2, 0, 2)), CORBA::OBJECT_NOT_EXIST);
}

// How the shell tools inject one value: connect, write once, disconnect at once. The sample the
// port answered PORT_OK for is read at the next tick, however soon the connection went.
TEST_F(BufferTest, ASampleWrittenJustBeforeItsOnlyConnectionGoesIsStillReadOnceEveryTime)
{
  for (CORBA::Long i = 0; i < 1000; ++i)
  {
    RTC::ConnectorProfile cp = profileFor({sut.out.getPortRef(), sut.in.getPortRef()});
    ASSERT_EQ(RTC::RTC_OK, connectVia(sut.out.getPortRef(), cp)) << "round " << i;
    sut.outSample = timedLong(1, 0, i);
    ASSERT_TRUE(sut.out.write()) << "round " << i;
    ASSERT_EQ(RTC::RTC_OK, sut.out.getPortRef()->disconnect(cp.connector_id.in())) << "round " << i;

    ASSERT_TRUE(sut.in.isNew()) << "round " << i;
    ASSERT_FALSE(sut.in.isEmpty()) << "round " << i;
    ASSERT_TRUE(sut.in.read()) << "round " << i;
    ASSERT_EQ(i, sut.inSample.data);
    // Read once: with the connection gone there is no readback of it.
    ASSERT_FALSE(sut.in.isNew()) << "round " << i;
    ASSERT_FALSE(sut.in.read()) << "round " << i;
  }
}
