// Which queued samples an asynchronous publisher sends, per push policy. A periodic connection
// whose owner is inactive queues without sending, so a burst can be queued first and the
// policy then observed deterministically once the owner becomes active.
#include "PortFixture.h"

#include <gtest/gtest.h>

using namespace porttest;
using namespace std::chrono_literals;

namespace
{
  struct PolicyCase
  {
    const char* policy;
    const char* skipCount;
    std::vector<CORBA::Long> expected;
  };

  class PushPolicyTest : public ::testing::TestWithParam<PolicyCase>
  {
  protected:
    LongPorts a{"A"};
    LongPorts b{"B", {{"buffer.length", "16"}}};
  };
}

TEST_P(PushPolicyTest, QueuedBurstResultsInThePolicysSelection)
{
  const PolicyCase& c = GetParam();
  RTC::ConnectorProfile cp =
    profileFor({a.out.getPortRef(), b.in.getPortRef()}, {{"dataport.subscription_type", "periodic"},
                                                         {"dataport.publisher.push_rate", "100"},
                                                         {"dataport.publisher.push_policy", c.policy},
                                                         {"dataport.publisher.skip_count", c.skipCount},
                                                         {"dataport.inport.buffer.length", "16"},
                                                         {"dataport.outport.buffer.length", "8"}});
  ASSERT_EQ(RTC::RTC_OK, connectVia(a.out.getPortRef(), cp));
  for (CORBA::Long i = 1; i <= 8; ++i)
  {
    a.outSample = timedLong(i, 0, i);
    ASSERT_TRUE(a.out.write());
  }

  a.out.activateInterfaces();

  std::vector<CORBA::Long> got;
  testsupport::waitUntil(
    [&] {
      while (b.in.isNew() && b.in.read())
        got.push_back(b.inSample.data);
      return !got.empty() && got.back() == c.expected.back();
    },
    5s);
  // A few more periods, so that anything sent beyond the expected selection shows up.
  std::this_thread::sleep_for(50ms);
  while (b.in.isNew() && b.in.read())
    got.push_back(b.inSample.data);
  EXPECT_EQ(c.expected, got);
  a.out.deactivateInterfaces();
}

INSTANTIATE_TEST_SUITE_P(EveryPolicy, PushPolicyTest,
                         ::testing::Values(PolicyCase{"all", "0", {1, 2, 3, 4, 5, 6, 7, 8}},
                                           PolicyCase{"fifo", "0", {1, 2, 3, 4, 5, 6, 7, 8}},
                                           PolicyCase{"skip", "1", {1, 3, 5, 7}}, PolicyCase{"skip", "2", {1, 4, 7}},
                                           PolicyCase{"new", "0", {8}}, PolicyCase{"NEW", "0", {8}}),
                         [](const ::testing::TestParamInfo<PolicyCase>& info) {
                           return std::string(info.param.policy) + "_skip" + info.param.skipCount;
                         });

TEST(PublisherBufferTest, AFullPublisherQueueUnderDoNothingReportsFailureToTheWriter)
{
  LongPorts a{"A"};
  LongPorts b{"B"};
  RTC::ConnectorProfile cp =
    profileFor({a.out.getPortRef(), b.in.getPortRef()}, {{"dataport.subscription_type", "periodic"},
                                                         {"dataport.publisher.push_rate", "100"},
                                                         {"dataport.outport.buffer.length", "2"},
                                                         {"dataport.outport.buffer.write.full_policy", "do_nothing"}});
  ASSERT_EQ(RTC::RTC_OK, connectVia(a.out.getPortRef(), cp));

  EXPECT_TRUE(a.out.write());
  EXPECT_TRUE(a.out.write());
  EXPECT_FALSE(a.out.write());

  EXPECT_EQ(1u, a.out.connectionCount());
}
