// The lifecycle listeners of a component: their names as the middleware spells them, the order
// they fire in, who deletes them, and what a throwing one costs.
#include "component/ComponentListeners.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace
{
  std::vector<std::string> g_calls;
  int g_deleted = 0;

  class Recording : public RTC::PreComponentActionListener
  {
  public:
    explicit Recording(std::string name, bool throws = false) : m_name(std::move(name)), m_throws(throws) {}
    ~Recording() override { ++g_deleted; }
    void operator()(RTC::UniqueId ec_id) override
    {
      g_calls.push_back(m_name + ":" + std::to_string(ec_id));
      if (m_throws)
        throw std::runtime_error("boom");
    }

  private:
    std::string m_name;
    bool m_throws;
  };

  class ComponentListenersTest : public ::testing::Test
  {
  protected:
    void SetUp() override
    {
      g_calls.clear();
      g_deleted = 0;
    }
  };
}

TEST(ListenerNames, EveryTypeHasTheMiddlewaresSpellingAndEachEnumEndsWithItsCount)
{
  struct Case
  {
    const char* got;
    const char* want;
  };
  const Case cases[] = {
    {RTC::PreComponentActionListener::toString(RTC::PRE_ON_INITIALIZE), "PRE_ON_INITIALIZE"},
    {RTC::PreComponentActionListener::toString(RTC::PRE_ON_ACTIVATED), "PRE_ON_ACTIVATED"},
    {RTC::PreComponentActionListener::toString(RTC::PRE_ON_RATE_CHANGED), "PRE_ON_RATE_CHANGED"},
    {RTC::PostComponentActionListener::toString(RTC::POST_ON_FINALIZE), "POST_ON_FINALIZE"},
    {RTC::PostComponentActionListener::toString(RTC::POST_ON_STATE_UPDATE), "POST_ON_STATE_UPDATE"},
    {RTC::PostComponentActionListener::toString(RTC::POST_ON_RATE_CHANGED), "POST_ON_RATE_CHANGED"},
    {RTC::PortActionListener::toString(RTC::ADD_PORT), "ADD_PORT"},
    {RTC::PortActionListener::toString(RTC::REMOVE_PORT), "REMOVE_PORT"},
    {RTC::ExecutionContextActionListener::toString(RTC::EC_ATTACHED), "ATTACH_EC"},
    {RTC::ExecutionContextActionListener::toString(RTC::EC_DETACHED), "DETACH_ECT"},
    {RTC::PortActionListener::toString(RTC::PORT_ACTION_LISTENER_NUM), ""},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(c.got, c.want);
  EXPECT_EQ(RTC::PRE_ON_EXECUTE, 9);
  EXPECT_EQ(RTC::PRE_COMPONENT_ACTION_LISTENER_NUM, 12);
  EXPECT_EQ(RTC::POST_COMPONENT_ACTION_LISTENER_NUM, 12);
  EXPECT_EQ(RTC::PORT_ACTION_LISTENER_NUM, 2);
  EXPECT_EQ(RTC::EC_ACTION_LISTENER_NUM, 2);
}

TEST_F(ComponentListenersTest, ListenersFireInRegistrationOrderAndAThrowingOneDoesNotStopTheRest)
{
  {
    rtm::ComponentListeners sut;
    sut.setOwnerName("Probe0");
    sut.addPre(RTC::PRE_ON_EXECUTE, new Recording("first", true), true);
    sut.addPre(RTC::PRE_ON_EXECUTE, new Recording("second"), true);
    sut.addPre(RTC::PRE_ON_ACTIVATED, new Recording("other"), true);
    testing::internal::CaptureStderr();
    sut.pre(RTC::PRE_ON_EXECUTE, 1000);
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_EQ(g_calls, (std::vector<std::string>{"first:1000", "second:1000"}));
    EXPECT_NE(warning.find("PRE_ON_EXECUTE listener of component 'Probe0' threw: boom"), std::string::npos) << warning;
    EXPECT_EQ(warning.find('\n'), warning.size() - 1) << "one line: " << warning;
  }
  EXPECT_EQ(g_deleted, 3) << "autoclean listeners go with the component";
}

TEST_F(ComponentListenersTest, RemoveDeletesOnlyAutocleanListenersAndBadTypesKeepNothing)
{
  Recording kept("kept");
  {
    rtm::ComponentListeners sut;
    auto* owned = new Recording("owned");
    sut.addPre(RTC::PRE_ON_RESET, owned, true);
    sut.addPre(RTC::PRE_ON_RESET, &kept, false);
    sut.removePre(RTC::PRE_ON_RESET, owned);
    EXPECT_EQ(g_deleted, 1);
    sut.pre(RTC::PRE_ON_RESET, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"kept:0"}));

    EXPECT_FALSE(sut.addPre(RTC::PRE_COMPONENT_ACTION_LISTENER_NUM, new Recording("bad"), true));
    EXPECT_EQ(g_deleted, 2) << "a refused autoclean listener leaks nothing";
    sut.removePre(-1, &kept);  // out of range: ignored
  }
  EXPECT_EQ(g_deleted, 2) << "a listener the caller keeps is not deleted with the component";
}
