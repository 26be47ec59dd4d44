// The naming service is only needed to find a component: while it is dead, connections made
// earlier keep carrying samples, and once it is back (empty, or with its old data) the component
// can be found by name again, because the manager binds its names anew.
#include "FaultProcesses.h"

#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Wait.h"

#include <rtm/idl/RTC.hh>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace
{
  class NamingServiceKilled : public ::testing::TestWithParam<bool>
  {
  protected:
    std::string instanceName()
    {
      RTC::RTObject_var trimul = RTC::RTObject::_narrow(CORBA::Object_var(naming.resolve(path)).in());
      if (CORBA::is_nil(trimul))
        return "";
      try
      {
        RTC::ComponentProfile_var profile = trimul->get_component_profile();
        return profile->instance_name.in();
      }
      catch (...)
      {
        return "";
      }
    }

    testsupport::NameServer ns;
    testsupport::NamingClient naming{testsupport::testOrb(), ns.corbaloc()};
    const std::string path = faults::TrimulCompProcess::path();
  };
}

TEST_P(NamingServiceKilled, LeavesConnectionsFlowingAndTheComponentIsFoundAgainAfterRestart)
{
  const bool keepData = GetParam();
  faults::TrimulCompProcess sut(ns.address());
  faults::PeerProcess peer(ns.corbaloc(), {"--rate", "300"});
  ASSERT_TRUE(peer.waitConnected(20s)) << peer.diagnosis() << sut.process().stderrText();
  ASSERT_TRUE(peer.waitReturned(100, 20s)) << peer.diagnosis();

  ns.kill(SIGKILL);
  ASSERT_FALSE(naming.reachable());
  const long before = peer.status().returned();
  EXPECT_TRUE(peer.waitReturned(before + 300, 30s)) << peer.diagnosis();
  EXPECT_TRUE(sut.process().running()) << sut.process().stderrText();

  ns.restart(keepData);
  // The manager re-binds every naming.update.interval (1 s here); the bound covers a slow start.
  EXPECT_TRUE(testsupport::waitUntil([&] { return instanceName() == "Trimul0"; }, 20s))
    << "not found again; TrimulComp said: " << sut.process().stderrText();

  // A newcomer finds it by name and its samples make the whole trip.
  faults::PeerProcess newcomer(ns.corbaloc(), {"--rate", "300", "--first", "5000000"});
  EXPECT_TRUE(newcomer.waitConnected(20s)) << newcomer.diagnosis();
  EXPECT_TRUE(newcomer.waitReturned(100, 20s)) << newcomer.diagnosis();
  const long later = peer.status().returned();
  EXPECT_TRUE(peer.waitReturned(later + 100, 20s)) << peer.diagnosis();

  EXPECT_TRUE(newcomer.quit()) << newcomer.diagnosis();
  EXPECT_TRUE(peer.quit()) << peer.diagnosis();
  EXPECT_EQ(0, sut.stop()) << sut.process().stderrText();
}

INSTANTIATE_TEST_SUITE_P(Restart, NamingServiceKilled, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("WithItsData") : std::string("Empty");
                         });
