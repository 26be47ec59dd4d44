// Ports of components in two processes, connected and driven over real CORBA: every dataflow and
// subscription in both directions, third-party connections, the handshake matrix, the octets on
// the wire, and peers that are killed or hang mid-stream.
//
// The same program is the peer: run with "--peer" it hosts one component with a TimedLong in
// port and out port, prints their references, prints every sample its in port receives as
// "got <sec> <nsec> <data>", and obeys commands on stdin ("write S N D", "activate", "quit").
#include "../port/PortFixture.h"
#include "transport/PeerHealth.h"

#include "testsupport/ChildProcess.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <future>
#include <iostream>
#include <sstream>
#include <thread>
#include <tuple>

using namespace porttest;
using namespace std::chrono_literals;

namespace
{
  // ------------------------------------------------------------------ the peer process ------

  int runPeerComponent();

  // The ORB's threads must be gone before static destruction starts, or they race with it.
  int runPeer()
  {
    const int status = runPeerComponent();
    CORBA::ORB_ptr orb = testsupport::testOrb();
    orb->shutdown(true);
    orb->destroy();
    return status;
  }

  int runPeerComponent()
  {
    LongPorts peer{"Peer"};
    std::mutex outputMutex;
    const auto say = [&](const std::string& line) {
      std::lock_guard<std::mutex> lock(outputMutex);
      std::cout << line << std::endl;
    };
    {
      CORBA::String_var in = testsupport::testOrb()->object_to_string(peer.in.getPortRef());
      CORBA::String_var out = testsupport::testOrb()->object_to_string(peer.out.getPortRef());
      say(std::string("IN ") + in.in());
      say(std::string("OUT ") + out.in());
    }
    std::atomic<bool> running{true};
    std::thread reader([&] {
      while (running.load())
      {
        while (peer.in.isNew() && peer.in.read())
        {
          std::ostringstream line;
          line << "got " << peer.inSample.tm.sec << ' ' << peer.inSample.tm.nsec << ' ' << peer.inSample.data;
          say(line.str());
        }
        std::this_thread::sleep_for(1ms);
      }
    });
    say("ready");

    std::string command;
    while (std::cin >> command && command != "quit")
    {
      if (command == "write")
      {
        std::cin >> peer.outSample.tm.sec >> peer.outSample.tm.nsec >> peer.outSample.data;
        const bool ok = peer.out.write();
        say(std::string("wrote ") + (ok ? "ok" : "fail"));
      }
      else if (command == "activate")
      {
        peer.out.activateInterfaces();
        say("activated");
      }
    }
    running.store(false);
    reader.join();
    return 0;
  }

  // ------------------------------------------------------------------ the test side ---------

  std::string selfPath()
  {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return std::string(path, n > 0 ? static_cast<size_t>(n) : 0);
  }

  // True once the kernel reports the process as stopped by a signal.
  bool isStopped(pid_t pid)
  {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'T';
  }

  class Peer
  {
  public:
    Peer() : process(selfPath(), {"--peer"})
    {
      if (!process.waitForStdout("ready\n", 20s))
        throw std::runtime_error("peer did not start: " + process.stderrText());
      std::istringstream lines(process.stdoutText());
      std::string tag, ior;
      while (lines >> tag >> ior)
      {
        CORBA::Object_var obj = testsupport::testOrb()->string_to_object(ior.c_str());
        if (tag == "IN")
          in = RTC::PortService::_narrow(obj.in());
        else if (tag == "OUT")
          out = RTC::PortService::_narrow(obj.in());
        if (tag == "OUT")
          break;
      }
    }
    ~Peer() { quit(); }

    // Ends the peer as a user would; true if it ended cleanly (a sanitizer that found something
    // makes it fail).
    bool quit()
    {
      process.writeStdin("quit\n");
      return process.waitExit(10s) && process.exitedNormally() && process.exitCode() == 0;
    }

    void write(CORBA::ULong sec, CORBA::ULong nsec, CORBA::Long data)
    {
      process.writeStdin("write " + std::to_string(sec) + " " + std::to_string(nsec) + " " + std::to_string(data) +
                         "\n");
    }
    void activate()
    {
      process.writeStdin("activate\n");
      process.waitForStdout("activated\n", 5s);
    }
    bool got(CORBA::ULong sec, CORBA::ULong nsec, CORBA::Long data)
    {
      return process.waitForStdout(
        "got " + std::to_string(sec) + " " + std::to_string(nsec) + " " + std::to_string(data) + "\n", 5s);
    }
    // The data values the peer printed, in order.
    std::vector<CORBA::Long> received()
    {
      std::vector<CORBA::Long> values;
      std::istringstream lines(process.stdoutText());
      std::string line;
      while (std::getline(lines, line))
      {
        std::istringstream fields(line);
        std::string tag;
        CORBA::ULong sec = 0, nsec = 0;
        CORBA::Long data = 0;
        if (fields >> tag >> sec >> nsec >> data && tag == "got")
          values.push_back(data);
      }
      return values;
    }

    testsupport::ChildProcess process;
    RTC::PortService_var in;
    RTC::PortService_var out;
  };

  const std::vector<std::pair<std::string, Props>>& everyFlow()
  {
    static const std::vector<std::pair<std::string, Props>> flows = {
      {"push flush", {{"dataport.subscription_type", "flush"}}},
      {"push new", {{"dataport.subscription_type", "new"}}},
      {"push periodic", {{"dataport.subscription_type", "periodic"}, {"dataport.publisher.push_rate", "500"}}},
      {"pull", {{"dataport.dataflow_type", "pull"}, {"dataport.buffer.read.empty_policy", "do_nothing"}}},
    };
    return flows;
  }

  class TwoProcessTest : public ::testing::Test
  {
  protected:
    void TearDown() override { EXPECT_TRUE(peer.quit()) << peer.process.stderrText(); }

    Peer peer;
    LongPorts local{"Local"};
  };
}

TEST_F(TwoProcessTest, OurOutPortReachesThePeerInEveryFlowWithValuesAndStampsInOrder)
{
  CORBA::ULong sec = 100;
  for (const auto& flow : everyFlow())
  {
    SCOPED_TRACE(flow.first);
    RTC::ConnectorProfile cp = profileFor({local.out.getPortRef(), peer.in.in()}, flow.second);
    ASSERT_EQ(RTC::RTC_OK, connectVia(local.out.getPortRef(), cp));
    local.out.activateInterfaces();

    for (CORBA::Long i = 0; i < 20; ++i, ++sec)
    {
      local.outSample = timedLong(sec, 1000000 + i, -1000 * i - 1);
      local.out.write();
      ASSERT_TRUE(peer.got(sec, 1000000 + i, -1000 * i - 1)) << peer.process.stdoutText();
    }
    local.out.deactivateInterfaces();
    ASSERT_EQ(RTC::RTC_OK, peer.in->disconnect(cp.connector_id.in()));
    EXPECT_EQ(0u, local.out.connectionCount());
  }
  // Nothing arrived twice and nothing out of order.
  const std::vector<CORBA::Long> values = peer.received();
  ASSERT_EQ(80u, values.size());
  for (size_t i = 1; i < values.size(); ++i)
    EXPECT_NE(values[i - 1], values[i]);
}

TEST_F(TwoProcessTest, ThePeersOutPortReachesOurInPortInEveryFlowWithValuesAndStampsInOrder)
{
  peer.activate();
  CORBA::ULong sec = 500;
  for (const auto& flow : everyFlow())
  {
    SCOPED_TRACE(flow.first);
    RTC::ConnectorProfile cp = profileFor({peer.out.in(), local.in.getPortRef()}, flow.second);
    ASSERT_EQ(RTC::RTC_OK, connectVia(local.in.getPortRef(), cp));

    for (CORBA::Long i = 0; i < 20; ++i, ++sec)
    {
      peer.write(sec, 7, 0x7fffffff - i);
      ASSERT_TRUE(testsupport::waitUntil([&] { return local.in.isNew(); }, 5s));
      ASSERT_TRUE(local.in.read());
      ASSERT_EQ(sec, local.inSample.tm.sec);
      ASSERT_EQ(7u, local.inSample.tm.nsec);
      ASSERT_EQ(0x7fffffff - i, local.inSample.data);
    }
    ASSERT_EQ(RTC::RTC_OK, local.in.getPortRef()->disconnect(cp.connector_id.in()));
    RTC::ConnectorProfileList_var left = peer.out->get_connector_profiles();
    EXPECT_EQ(0u, left->length());
  }
}

TEST_F(TwoProcessTest, ThirdPartyConnectionShowsInBothPortsAndDisconnectRemovesItFromBoth)
{
  // The test plays the tool: it holds two references and calls connect on the peer's port.
  RTC::ConnectorProfile cp = profileFor({peer.out.in(), local.in.getPortRef()});
  ASSERT_EQ(RTC::RTC_OK, peer.out->connect(cp));
  const std::string id = cp.connector_id.in();

  EXPECT_EQ(std::vector<std::string>{id}, connectorIds(peer.out.in()));
  EXPECT_EQ(std::vector<std::string>{id}, connectorIds(local.in.getPortRef()));
  RTC::PortProfile_var seenFromPeer = peer.out->get_port_profile();
  ASSERT_EQ(1u, seenFromPeer->connector_profiles.length());
  EXPECT_TRUE(hasKey(seenFromPeer->connector_profiles[0].properties, "dataport.corba_cdr.inport_ior"));

  ASSERT_EQ(RTC::RTC_OK, peer.out->disconnect(id.c_str()));

  EXPECT_TRUE(connectorIds(peer.out.in()).empty());
  EXPECT_TRUE(connectorIds(local.in.getPortRef()).empty());
}

TEST_F(TwoProcessTest, HandshakeMatrixAcrossProcesses)
{
  struct Case
  {
    std::string name;
    Props props;
    RTC::ReturnCode_t expected;
  };
  const std::vector<Case> cases = {
    {"flush", {}, RTC::RTC_OK},
    {"new", {{"dataport.subscription_type", "new"}}, RTC::RTC_OK},
    {"periodic with rate",
     {{"dataport.subscription_type", "periodic"}, {"dataport.publisher.push_rate", "10"}},
     RTC::RTC_OK},
    {"periodic without rate", {{"dataport.subscription_type", "periodic"}}, RTC::RTC_ERROR},
    {"pull", {{"dataport.dataflow_type", "pull"}}, RTC::RTC_OK},
    {"interface list", {{"dataport.interface_type", "corba_cdr,foo"}}, RTC::BAD_PARAMETER},
    {"no interface", {{"dataport.interface_type", ""}}, RTC::BAD_PARAMETER},
    {"data type", {{"dataport.data_type", "IDL:RTC/TimedShort:1.0"}}, RTC::BAD_PARAMETER},
    {"endian", {{"dataport.serializer.cdr.endian", "pdp"}}, RTC::UNSUPPORTED},
  };
  RTC::PortService_ptr ourOut = local.out.getPortRef();
  for (const Case& c : cases)
  {
    for (int variant = 0; variant < 4; ++variant)
    {
      const bool outFirst = variant % 2 == 0;
      const bool viaPeer = variant / 2 == 1;
      SCOPED_TRACE(c.name + (outFirst ? " out-first" : " in-first") + (viaPeer ? " via peer" : " via us"));
      RTC::ConnectorProfile cp =
        outFirst ? profileFor({ourOut, peer.in.in()}, c.props) : profileFor({peer.in.in(), ourOut}, c.props);

      const RTC::ReturnCode_t result = (viaPeer ? peer.in.in() : ourOut)->connect(cp);

      EXPECT_EQ(c.expected, result);
      const std::vector<std::string> expected =
        result == RTC::RTC_OK ? std::vector<std::string>{cp.connector_id.in()} : std::vector<std::string>{};
      EXPECT_EQ(expected, connectorIds(ourOut));
      EXPECT_EQ(expected, connectorIds(peer.in.in()));
      if (result == RTC::RTC_OK)
      {
        ASSERT_EQ(RTC::RTC_OK, ourOut->disconnect(cp.connector_id.in()));
        EXPECT_TRUE(connectorIds(peer.in.in()).empty());
      }
    }
  }

  RTC::ConnectorProfile first = profileFor({ourOut, peer.in.in()}, {}, "same-id");
  ASSERT_EQ(RTC::RTC_OK, ourOut->connect(first));
  RTC::ConnectorProfile second = profileFor({ourOut, peer.in.in()}, {}, "same-id");
  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, ourOut->connect(second));
  EXPECT_EQ(std::vector<std::string>{"same-id"}, connectorIds(peer.in.in()));
}

TEST_F(TwoProcessTest, OctetsFromThePeerAreBareLittleEndianCdrWhateverTheProfileSays)
{
  peer.activate();
  Served<RecordingInPort> recorder;
  OpenRTM::InPortCdr_var target = OpenRTM::InPortCdr::_narrow(recorder.ref);
  ASSERT_EQ(RTC::RTC_OK, attachRawReader(peer.out.in(), target.in(), {}, "plain"));
  ASSERT_EQ(RTC::RTC_OK, attachRawReader(peer.out.in(), target.in(), {{"dataport.serializer.cdr.endian", "big,little"}},
                                         "big-first"));

  peer.write(1, 2, -3);
  ASSERT_TRUE(peer.process.waitForStdout("wrote ok\n", 5s));

  const auto received = recorder->snapshot();
  ASSERT_EQ(2u, received.size());
  const std::vector<CORBA::Octet> expected = {0x01, 0, 0, 0, 0x02, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(expected, received[0]);
  EXPECT_EQ(expected, received[1]);
}

TEST_F(TwoProcessTest, ThePeersInPortDecodesHandMadeOctetsInTheNegotiatedOrder)
{
  std::string littleId = "little";
  std::string bigId = "big";
  OpenRTM::InPortCdr_var little = attachRawWriter(peer.in.in(), {}, &littleId);
  OpenRTM::InPortCdr_var big =
    attachRawWriter(peer.in.in(), {{"dataport.serializer.cdr.endian", "big,little"}}, &bigId);
  ASSERT_FALSE(CORBA::is_nil(little));
  ASSERT_FALSE(CORBA::is_nil(big));

  EXPECT_EQ(OpenRTM::PORT_OK, little->put(leTimedLong(1, 2, -3)));
  ASSERT_TRUE(peer.got(1, 2, -3));
  EXPECT_EQ(OpenRTM::PORT_OK, big->put(beTimedLong(4, 5, 0x7fffffff)));
  ASSERT_TRUE(peer.got(4, 5, 0x7fffffff));
  EXPECT_EQ(OpenRTM::PORT_ERROR, little->put(octets({1, 2, 3})));
  EXPECT_EQ(OpenRTM::PORT_OK, little->put(leTimedLong(6, 7, 8)));
  ASSERT_TRUE(peer.got(6, 7, 8));
}

namespace
{
  class DeadPeerProcessTest : public ::testing::TestWithParam<const char*>
  {
  protected:
    LongPorts local{"Writer"};
    LongPorts bystander{"Bystander"};
  };
}

TEST_P(DeadPeerProcessTest, PeerKilledMidStreamLosesItsConnectorAndTheOtherReaderGoesOn)
{
  auto peer = std::make_unique<Peer>();
  const Props flow = {{"dataport.subscription_type", GetParam()}, {"dataport.publisher.push_rate", "500"}};
  RTC::ConnectorProfile toPeer = profileFor({local.out.getPortRef(), peer->in.in()}, flow);
  ASSERT_EQ(RTC::RTC_OK, connectVia(local.out.getPortRef(), toPeer));
  RTC::ConnectorProfile toBystander = profileFor({local.out.getPortRef(), bystander.in.getPortRef()});
  ASSERT_EQ(RTC::RTC_OK, connectVia(local.out.getPortRef(), toBystander));
  local.out.activateInterfaces();

  std::atomic<bool> writing{true};
  std::atomic<CORBA::Long> written{0};
  std::thread writer([&] {
    for (CORBA::Long i = 1; writing.load(); ++i)
    {
      local.outSample = timedLong(i, 0, i);
      local.out.write();
      written.store(i);
      std::this_thread::sleep_for(1ms);
    }
  });
  // Some samples got through (which ones depends on the subscription's push policy).
  ASSERT_TRUE(peer->process.waitForStdout("got ", 10s));

  peer->process.signal(SIGKILL);
  ASSERT_TRUE(peer->process.waitExit(5s));

  EXPECT_TRUE(testsupport::waitUntil([&] { return local.out.connectionCount() == 1; }, 5s));
  const CORBA::Long afterLoss = written.load();
  EXPECT_TRUE(testsupport::waitUntil(
    [&] {
      while (bystander.in.isNew())
        bystander.in.read();
      return bystander.inSample.data > afterLoss;
    },
    5s));
  writing.store(false);
  writer.join();
  local.out.deactivateInterfaces();
  EXPECT_EQ(std::vector<std::string>{toBystander.connector_id.in()}, connectorIds(local.out.getPortRef()));
}

INSTANTIATE_TEST_SUITE_P(EverySubscription, DeadPeerProcessTest, ::testing::Values("flush", "new", "periodic"));

TEST(DeadWriterProcessTest, ReadingOurInPortsProfileSweepsTheConnectorOfAKilledWriter)
{
  LongPorts local{"Reader"};
  auto peer = std::make_unique<Peer>();
  RTC::ConnectorProfile cp = profileFor({peer->out.in(), local.in.getPortRef()});
  ASSERT_EQ(RTC::RTC_OK, connectVia(local.in.getPortRef(), cp));
  ASSERT_EQ(1u, local.in.connectionCount());

  peer->process.signal(SIGKILL);
  ASSERT_TRUE(peer->process.waitExit(5s));

  EXPECT_TRUE(connectorIds(local.in.getPortRef()).empty());
  EXPECT_EQ(0u, local.in.connectionCount());
}

TEST(HungPeerProcessTest, WriteToAStoppedPeerReturnsWithinTheCallTimeoutAndDropsIt)
{
  LongPorts local{"Writer", {}, {{"corba_cdr.call_timeout", "0.3"}}};
  auto peer = std::make_unique<Peer>();
  RTC::ConnectorProfile cp = profileFor({local.out.getPortRef(), peer->in.in()});
  ASSERT_EQ(RTC::RTC_OK, connectVia(local.out.getPortRef(), cp));
  local.outSample = timedLong(1, 1, 1);
  ASSERT_TRUE(local.out.write());
  ASSERT_TRUE(peer->got(1, 1, 1));

  peer->process.signal(SIGSTOP);
  ASSERT_TRUE(testsupport::waitUntil([&] { return isStopped(peer->process.pid()); }, 5s));
  auto done = std::async(std::launch::async, [&] { return local.out.write(); });

  // This bounds the test; the port's own bound (0.3 s per call) is far below it.
  ASSERT_EQ(std::future_status::ready, done.wait_for(5s));
  EXPECT_FALSE(done.get());
  EXPECT_EQ(0u, local.out.connectionCount());
  peer->process.signal(SIGKILL);
}

TEST(HungPeerProcessTest, OnlyTheFirstWriteToAStoppedPeerWaitsAndThePeerLearnsOfTheRemovalsLater)
{
  LongPorts first{"WriterA", {}, {{"corba_cdr.call_timeout", "0.5"}}};
  LongPorts second{"WriterB", {}, {{"corba_cdr.call_timeout", "0.5"}}};
  auto peer = std::make_unique<Peer>();
  for (LongPorts* local : {&first, &second})
  {
    RTC::ConnectorProfile cp = profileFor({local->out.getPortRef(), peer->in.in()});
    ASSERT_EQ(RTC::RTC_OK, connectVia(local->out.getPortRef(), cp));
  }
  ASSERT_EQ(2u, connectorIds(peer->in.in()).size());
  // Every connection to the peer's process shares this record of its calls that found it gone.
  const std::shared_ptr<rtm::PeerHealth> health = rtm::peerHealthOf(peer->in.in());
  ASSERT_NE(nullptr, health);
  const std::uint64_t failuresBefore = health->failures();

  peer->process.signal(SIGSTOP);
  ASSERT_TRUE(testsupport::waitUntil([&] { return isStopped(peer->process.pid()); }, 5s));
  // The first write waits out its call timeout and finds the process not answering; the second
  // knows that already and makes no call of its own, so the record counts one failure, not two.
  auto writes = std::async(std::launch::async, [&] {
    const bool firstWrote = first.out.write();
    const std::uint64_t afterFirst = health->failures() - failuresBefore;
    const bool secondWrote = second.out.write();
    return std::make_tuple(firstWrote, afterFirst, secondWrote, health->failures() - failuresBefore);
  });
  // This bounds the test; the ports' own bound (0.5 s per call) is far below it.
  ASSERT_EQ(std::future_status::ready, writes.wait_for(10s));
  const auto [firstWrote, failedAfterFirst, secondWrote, failedAfterSecond] = writes.get();
  EXPECT_FALSE(firstWrote);
  EXPECT_EQ(1u, failedAfterFirst);
  EXPECT_FALSE(secondWrote);
  EXPECT_EQ(1u, failedAfterSecond);
  EXPECT_EQ(0u, first.out.connectionCount());
  EXPECT_EQ(0u, second.out.connectionCount());

  peer->process.signal(SIGCONT);
  EXPECT_TRUE(testsupport::waitUntil([&] { return connectorIds(peer->in.in()).empty(); }, 10s));

  // A connection made after the stall is not held back by it.
  RTC::ConnectorProfile again = profileFor({first.out.getPortRef(), peer->in.in()});
  ASSERT_EQ(RTC::RTC_OK, connectVia(first.out.getPortRef(), again));
  first.outSample = timedLong(2, 2, 2);
  EXPECT_TRUE(first.out.write());
  EXPECT_TRUE(peer->got(2, 2, 2));
}

int main(int argc, char** argv)
{
  if (argc > 1 && std::string(argv[1]) == "--peer")
    return runPeer();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
