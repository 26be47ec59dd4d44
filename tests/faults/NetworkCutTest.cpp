// Three hosts (network namespaces): the naming service, TrimulComp with a local peer, and a remote
// peer. The remote peer's link is cut mid-stream and restored.
//
// What the test expects, as the 1.1 middleware behaves with a dead peer:
// - While the link is down, every call to the remote peer ends with the call timeout
//   (corba_cdr.call_timeout, 1 s by default) and the connection whose call failed is dropped, on
//   both sides. The component's execution context goes on meanwhile: the local peer's samples keep
//   being processed, with stalls bounded by the few timed-out calls that one step can make.
// - The runtime does not reconnect by itself; whoever made the connections makes them again. The
//   remote peer runs as a supervising tool would (--reconnect): it notices its connections are
//   gone, finds Trimul by name again once the network is back and connects anew. Samples then
//   flow again.
#include "FaultProcesses.h"
#include "LabNameServer.h"
#include "NetworkLab.h"

#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;
using faults::kStallBound;
using faults::LabHost;

TEST(NetworkCut, StallsTheComponentOnlyBoundedlyAndSamplesFlowAgainOnceRestored)
{
  std::string whyNot;
  const std::unique_ptr<faults::NetworkLab> lab = faults::NetworkLab::make(whyNot);
  if (!lab)
    GTEST_SKIP() << whyNot;
  const faults::Placement names{lab->netns(LabHost::Names), lab->address(LabHost::Names)};
  const faults::Placement comp{lab->netns(LabHost::Component), lab->address(LabHost::Component)};
  const faults::Placement remote{lab->netns(LabHost::Peer), lab->address(LabHost::Peer)};
  const std::string corbaloc = "corbaloc::" + names.address + ":2809/NameService";

  faults::LabNameServer ns(names);
  ASSERT_TRUE(ns.ready()) << ns.log();
  faults::TrimulCompProcess sut(names.address + ":2809", comp);
  faults::PeerProcess local(corbaloc, {"--rate", "200", "--first", "10000000"}, comp);
  ASSERT_TRUE(local.waitConnected(30s)) << local.diagnosis() << sut.process().stderrText();
  faults::PeerProcess remotePeer(corbaloc, {"--rate", "200", "--first", "1", "--reconnect"}, remote);
  ASSERT_TRUE(remotePeer.waitConnected(30s)) << remotePeer.diagnosis();
  ASSERT_TRUE(remotePeer.waitReturned(100, 20s)) << remotePeer.diagnosis();
  ASSERT_TRUE(local.waitReturned(100, 20s)) << local.diagnosis();

  lab->cut(LabHost::Peer);
  // Long enough for every call to the remote peer to time out and its connections to go.
  std::chrono::milliseconds longest{0};
  EXPECT_TRUE(local.keepsFlowing(4 * kStallBound, kStallBound, longest))
    << "the component stopped processing the local peer's samples while the link was down\n"
    << local.diagnosis();
  // Printed for the record, not asserted: the figure depends on the machine.
  std::cout << "longest wait for a local sample during the cut: " << longest.count() << " ms" << std::endl;
  EXPECT_TRUE(sut.process().running());

  lab->restore(LabHost::Peer);
  const long before = remotePeer.status().returned();
  // The remote peer's handshake attempts made while the link was down may each take the
  // handshake bound (10 s) before the one that succeeds.
  EXPECT_TRUE(remotePeer.waitConnected(60s, 2)) << remotePeer.diagnosis();
  EXPECT_TRUE(remotePeer.waitReturned(before + 100, 30s)) << remotePeer.diagnosis();
  const long localBefore = local.status().returned();
  EXPECT_TRUE(local.waitReturned(localBefore + 100, 20s)) << local.diagnosis();

  // Whatever was lost on the way, nothing arrived changed or out of order.
  for (const faults::PeerStatus& s : {remotePeer.status(), local.status()})
    for (size_t k = 0; k < 3; ++k)
    {
      EXPECT_EQ(0, s.bad[k]) << "y" << k + 1;
      EXPECT_EQ(0, s.disorder[k]) << "y" << k + 1;
    }

  EXPECT_TRUE(remotePeer.quit()) << remotePeer.diagnosis();
  EXPECT_TRUE(local.quit()) << local.diagnosis();
  EXPECT_EQ(0, sut.stop()) << sut.process().stderrText();
}
