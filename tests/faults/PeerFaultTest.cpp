// A peer of TrimulComp that dies without a word (SIGKILL) mid-stream must cost the component and
// its other peers nothing: the component keeps running, the survivor's samples keep flowing both
// ways, and the dead peer's connections are dropped rather than kept forever.
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
  size_t connectionsOf(RTC::PortService_ptr port)
  {
    RTC::ConnectorProfileList_var list = port->get_connector_profiles();
    return list->length();
  }

  // Each of Trimul's ports ends up with the survivor's connection only: listing the connectors
  // sweeps out those whose peer is gone or does not answer.
  void expectOnlyOneConnectionPerPort(testsupport::NameServer& ns)
  {
    testsupport::NamingClient naming(testsupport::testOrb(), ns.corbaloc());
    CORBA::Object_var obj = naming.resolve(faults::TrimulCompProcess::path());
    RTC::RTObject_var trimul = RTC::RTObject::_narrow(obj.in());
    ASSERT_FALSE(CORBA::is_nil(trimul));
    RTC::PortServiceList_var ports = trimul->get_ports();
    ASSERT_EQ(4u, ports->length());
    for (CORBA::ULong i = 0; i < ports->length(); ++i)
      EXPECT_TRUE(testsupport::waitUntil([&] { return connectionsOf(ports[i]) == 1; }, 15s))
        << "port " << i << " holds " << connectionsOf(ports[i]) << " connections";
  }
}

TEST(PeerKilledMidStream, LeavesTheComponentRunningAndTheSurvivingPeerFlowing)
{
  testsupport::NameServer ns;
  faults::TrimulCompProcess sut(ns.address());
  faults::PeerProcess doomed(ns.corbaloc(), {"--rate", "300", "--first", "1"});
  ASSERT_TRUE(doomed.waitConnected(20s)) << doomed.diagnosis() << sut.process().stderrText();
  faults::PeerProcess survivor(ns.corbaloc(), {"--rate", "300", "--first", "5000000"});
  ASSERT_TRUE(survivor.waitConnected(20s)) << survivor.diagnosis();
  ASSERT_TRUE(doomed.waitReturned(100, 20s)) << doomed.diagnosis();
  ASSERT_TRUE(survivor.waitReturned(100, 20s)) << survivor.diagnosis();

  doomed.process().signal(SIGKILL);
  ASSERT_TRUE(doomed.process().waitExit(10s));
  const long before = survivor.status().returned();

  // Samples the survivor sends after the kill still come back on all three outputs.
  EXPECT_TRUE(survivor.waitReturned(before + 300, 30s)) << survivor.diagnosis();
  EXPECT_TRUE(sut.process().running()) << sut.process().stderrText();
  const faults::PeerStatus s = survivor.status();
  for (size_t k = 0; k < 3; ++k)
  {
    EXPECT_EQ(0, s.bad[k]) << "y" << k + 1;
    EXPECT_EQ(0, s.disorder[k]) << "y" << k + 1;
  }

  expectOnlyOneConnectionPerPort(ns);

  EXPECT_TRUE(survivor.quit()) << survivor.diagnosis();
  EXPECT_EQ(0, sut.stop()) << sut.process().stderrText();
}

TEST(PeerFrozenMidStream, CostsTheOtherPeerOnlyBoundedStallsAndIsDroppedAsDead)
{
  testsupport::NameServer ns;
  faults::TrimulCompProcess sut(ns.address());
  faults::PeerProcess frozen(ns.corbaloc(), {"--rate", "300", "--first", "1"});
  ASSERT_TRUE(frozen.waitConnected(20s)) << frozen.diagnosis() << sut.process().stderrText();
  faults::PeerProcess survivor(ns.corbaloc(), {"--rate", "300", "--first", "5000000"});
  ASSERT_TRUE(survivor.waitConnected(20s)) << survivor.diagnosis();
  ASSERT_TRUE(frozen.waitReturned(100, 20s)) << frozen.diagnosis();
  ASSERT_TRUE(survivor.waitReturned(100, 20s)) << survivor.diagnosis();

  // A stopped process keeps its sockets open but answers nothing: every call to it runs into
  // the call timeout (1 s by default), unlike a killed one, whose calls fail at once.
  frozen.process().signal(SIGSTOP);
  std::chrono::milliseconds longest{0};
  EXPECT_TRUE(survivor.keepsFlowing(2 * faults::kStallBound, faults::kStallBound, longest)) << survivor.diagnosis();
  std::cout << "longest wait for a sample while the other peer was frozen: " << longest.count() << " ms" << std::endl;
  EXPECT_TRUE(sut.process().running());
  expectOnlyOneConnectionPerPort(ns);

  frozen.process().signal(SIGCONT);
  EXPECT_TRUE(frozen.quit()) << frozen.diagnosis();
  EXPECT_TRUE(survivor.quit()) << survivor.diagnosis();
  EXPECT_EQ(0, sut.stop()) << sut.process().stderrText();
}
