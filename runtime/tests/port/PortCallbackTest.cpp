// The component's own callbacks on its data ports, on real ports connected through the ORB: the
// order they run in, that a write's conversion is made once per connection and is what that
// connection receives, and that a read's conversion becomes the bound sample.
#include "PortFixture.h"

#include <rtm/PortCallback.h>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace porttest;

namespace
{
  struct Calls
  {
    std::vector<std::string> log;
  };

  struct OnWrite : RTC::OnWrite<RTC::TimedLong>
  {
    explicit OnWrite(Calls& c) : calls(c) {}
    void operator()(const RTC::TimedLong& v) override { calls.log.push_back("OnWrite " + std::to_string(v.data)); }
    Calls& calls;
  };

  // Each connection gets the value times ten plus the number of conversions before it.
  struct OnWriteConvert : RTC::OnWriteConvert<RTC::TimedLong>
  {
    explicit OnWriteConvert(Calls& c) : calls(c) {}
    RTC::TimedLong operator()(const RTC::TimedLong& v) override
    {
      calls.log.push_back("OnWriteConvert " + std::to_string(v.data));
      RTC::TimedLong out = v;
      out.data = v.data * 10 + made++;
      return out;
    }
    Calls& calls;
    int made = 0;
  };

  struct OnRead : RTC::OnRead<RTC::TimedLong>
  {
    explicit OnRead(Calls& c) : calls(c) {}
    void operator()() override { calls.log.push_back("OnRead"); }
    Calls& calls;
  };

  struct OnReadConvert : RTC::OnReadConvert<RTC::TimedLong>
  {
    explicit OnReadConvert(Calls& c) : calls(c) {}
    RTC::TimedLong operator()(const RTC::TimedLong& v) override
    {
      calls.log.push_back("OnReadConvert " + std::to_string(v.data));
      RTC::TimedLong out = v;
      out.data = -v.data;
      return out;
    }
    Calls& calls;
  };

  struct Throws : RTC::OnWrite<RTC::TimedLong>
  {
    void operator()(const RTC::TimedLong&) override { throw std::runtime_error("callback fault"); }
  };
}

TEST(PortCallbackTest, WriteAndReadResultInTheCallbacksInOrderAndTheConvertedValues)
{
  Calls calls;
  OnWrite onWrite(calls);
  OnWriteConvert onWriteConvert(calls);
  OnRead onRead(calls);
  OnReadConvert onReadConvert(calls);
  LongPorts sut("A");
  LongPorts first("B");
  LongPorts second("C");
  for (LongPorts* reader : {&first, &second})
  {
    RTC::ConnectorProfile cp = profileFor({sut.out.getPortRef(), reader->in.getPortRef()},
                                          {{"dataport.inport.buffer.read.empty_policy", "do_nothing"}});
    ASSERT_EQ(RTC::RTC_OK, connectVia(sut.out.getPortRef(), cp));
  }
  sut.out.setOnWrite(&onWrite);
  sut.out.setOnWriteConvert(&onWriteConvert);
  first.in.setOnRead(&onRead);
  first.in.setOnReadConvert(&onReadConvert);

  sut.outSample = timedLong(3, 4, 7);
  ASSERT_TRUE(sut.out.write());
  ASSERT_TRUE(first.in.read());
  ASSERT_TRUE(second.in.read());

  EXPECT_EQ(
    (std::vector<std::string>{"OnWrite 7", "OnWriteConvert 7", "OnWriteConvert 7", "OnRead", "OnReadConvert 70"}),
    calls.log);
  EXPECT_EQ(-70, first.inSample.data);  // converted on the way in as well
  EXPECT_EQ(71, second.inSample.data);
  EXPECT_EQ(7, sut.outSample.data);  // the caller's sample is left alone
  EXPECT_EQ(3u, first.inSample.tm.sec);

  // OnRead runs even with nothing to read, and then no conversion is made.
  calls.log.clear();
  EXPECT_FALSE(first.in.read());
  EXPECT_EQ(std::vector<std::string>{"OnRead"}, calls.log);
}

TEST(PortCallbackTest, AThrowingCallbackResultsInAFailedWriteAndAWorkingPort)
{
  Throws throws;
  LongPorts sut("A");
  LongPorts reader("B");
  RTC::ConnectorProfile cp = profileFor({sut.out.getPortRef(), reader.in.getPortRef()});
  ASSERT_EQ(RTC::RTC_OK, connectVia(sut.out.getPortRef(), cp));
  sut.out.setOnWrite(&throws);

  EXPECT_FALSE(sut.out.write());
  EXPECT_FALSE(reader.in.isNew());

  sut.out.setOnWrite(nullptr);
  sut.outSample.data = 9;
  EXPECT_TRUE(sut.out.write());
  EXPECT_TRUE(reader.in.read());
  EXPECT_EQ(9, reader.inSample.data);
}

TEST(PortCallbackTest, SetTimestampResultsInTheWallClockWithMicrosecondNanoseconds)
{
  RTC::TimedLong sample{};
  const auto before = std::chrono::system_clock::now();

  setTimestamp(sample);

  const auto after = std::chrono::system_clock::now();
  const auto stamped = std::chrono::system_clock::time_point(std::chrono::seconds(sample.tm.sec) +
                                                             std::chrono::nanoseconds(sample.tm.nsec));
  EXPECT_EQ(0u, sample.tm.nsec % 1000);
  EXPECT_LE(std::chrono::time_point_cast<std::chrono::microseconds>(before), stamped);
  EXPECT_GE(after, stamped);
}
