// Connector listeners on real ports connected through the ORB: which events fire, in what order,
// for each kind of connection and each way a sample can fare, and that a listener that throws or
// calls back into its port leaves the port working.
#include "PortFixture.h"

#include <rtm/ConnectorListener.h>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace porttest;
using namespace std::chrono_literals;

namespace
{
  // Every event of both ports, in the order they happened, as "<side>:<event>".
  class EventLog
  {
  public:
    void add(const std::string& entry)
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_entries.push_back(entry);
    }
    std::vector<std::string> take()
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      std::vector<std::string> out;
      out.swap(m_entries);
      return out;
    }
    std::vector<std::string> snapshot()
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      return m_entries;
    }

  private:
    std::mutex m_mutex;
    std::vector<std::string> m_entries;
  };

  class DataRecorder : public RTC::ConnectorDataListener
  {
  public:
    DataRecorder(EventLog& log, std::string side, RTC::ConnectorDataListenerType type)
      : m_log(log), m_entry(side + ":" + RTC::ConnectorDataListener::toString(type))
    {}
    void operator()(const RTC::ConnectorInfo&, const cdrMemoryStream&) override { m_log.add(m_entry); }

  private:
    EventLog& m_log;
    std::string m_entry;
  };

  // Also checks, on each call, that the port can be asked about its connections from inside.
  template <class Port>
  class Recorder : public RTC::ConnectorListener
  {
  public:
    Recorder(EventLog& log, std::string side, RTC::ConnectorListenerType type, Port& port)
      : m_log(log), m_entry(side + ":" + RTC::ConnectorListener::toString(type)), m_port(port)
    {}
    void operator()(const RTC::ConnectorInfo& info) override
    {
      RTC::ConnectorInfo again;
      const bool listed = m_port.getConnectorProfileById(info.id.c_str(), again);
      m_log.add(m_entry + (listed ? "" : "(unlisted)"));
    }

  private:
    EventLog& m_log;
    std::string m_entry;
    Port& m_port;
  };

  class Throwing : public RTC::ConnectorDataListener
  {
  public:
    void operator()(const RTC::ConnectorInfo&, const cdrMemoryStream&) override
    {
      throw std::runtime_error("listener fault");
    }
  };

  template <class Port>
  void recordAll(EventLog& log, const std::string& side, Port& port)
  {
    // One that throws goes first on the busiest event: the rest must still be called.
    port.addConnectorDataListener(RTC::ON_SEND, new Throwing);
    port.addConnectorDataListener(RTC::ON_RECEIVED, new Throwing);
    for (int t = RTC::ON_BUFFER_WRITE; t < RTC::CONNECTOR_DATA_LISTENER_NUM; ++t)
    {
      const auto type = static_cast<RTC::ConnectorDataListenerType>(t);
      port.addConnectorDataListener(type, new DataRecorder(log, side, type));
    }
    for (int t = RTC::ON_BUFFER_EMPTY; t < RTC::CONNECTOR_LISTENER_NUM; ++t)
    {
      const auto type = static_cast<RTC::ConnectorListenerType>(t);
      port.addConnectorListener(type, new Recorder<Port>(log, side, type, port));
    }
  }

  struct Situation
  {
    std::string name;
    Props connection;  // on top of a push, flush connection
    Props inOptions;
    // What the test does between connecting and disconnecting; `a` writes, `b` reads.
    std::function<void(LongPorts& a, LongPorts& b, EventLog& log)> act;
    std::vector<std::string> expected;  // the whole log, connect to disconnect
  };

  std::string situationName(const ::testing::TestParamInfo<Situation>& info) { return info.param.name; }

  class ConnectorListenerTest : public ::testing::TestWithParam<Situation>
  {};

  bool waitForEntries(EventLog& log, std::size_t n)
  {
    return testsupport::waitUntil([&] { return log.snapshot().size() >= n; }, 5s);
  }

  const std::vector<std::string> kConnect = {"in:ON_CONNECT", "out:ON_CONNECT"};
  // A connection is off the port's list by the time its end is told.
  const std::vector<std::string> kDisconnect = {"in:ON_DISCONNECT(unlisted)", "out:ON_DISCONNECT(unlisted)"};

  std::vector<std::string> between(std::vector<std::string> middle)
  {
    std::vector<std::string> all = kConnect;
    all.insert(all.end(), middle.begin(), middle.end());
    all.insert(all.end(), kDisconnect.begin(), kDisconnect.end());
    return all;
  }

  // One sample through a push connection: the in side's events happen inside the out side's put.
  const std::vector<std::string> kPushedOnce = {"out:ON_SEND", "in:ON_RECEIVED", "in:ON_BUFFER_WRITE",
                                                "out:ON_RECEIVED"};
}

TEST_P(ConnectorListenerTest, EachSituationResultsInItsEventsInOrder)
{
  const Situation& situation = GetParam();
  EventLog log;
  LongPorts a("A");
  LongPorts b("B", situation.inOptions);
  recordAll(log, "out", a.out);
  recordAll(log, "in", b.in);

  RTC::ConnectorProfile cp = profileFor({a.out.getPortRef(), b.in.getPortRef()}, situation.connection);
  ASSERT_EQ(RTC::RTC_OK, connectVia(a.out.getPortRef(), cp));
  situation.act(a, b, log);
  ASSERT_EQ(RTC::RTC_OK, a.out.getPortRef()->disconnect(cp.connector_id));

  EXPECT_EQ(situation.expected, log.take());
}

INSTANTIATE_TEST_SUITE_P(
  EverySituation, ConnectorListenerTest,
  ::testing::Values(
    Situation{"nothing_sent", {}, {}, [](LongPorts&, LongPorts&, EventLog&) {}, between({})},
    Situation{"flush",
              {},
              {},
              [](LongPorts& a, LongPorts& b, EventLog&) {
                ASSERT_TRUE(a.out.write());
                // Reading a pushed sample fires nothing.
                ASSERT_TRUE(b.in.read());
              },
              between(kPushedOnce)},
    Situation{"flush_into_a_full_buffer",
              {{"dataport.inport.buffer.length", "1"}, {"dataport.inport.buffer.write.full_policy", "do_nothing"}},
              {},
              [](LongPorts& a, LongPorts&, EventLog&) {
                ASSERT_TRUE(a.out.write());
                ASSERT_FALSE(a.out.write());
              },
              between({"out:ON_SEND", "in:ON_RECEIVED", "in:ON_BUFFER_WRITE", "out:ON_RECEIVED", "out:ON_SEND",
                       "in:ON_RECEIVED", "in:ON_BUFFER_FULL", "in:ON_RECEIVER_FULL", "out:ON_RECEIVER_FULL"})},
    Situation{"new",
              {{"dataport.subscription_type", "new"}},
              {},
              [](LongPorts& a, LongPorts&, EventLog& log) {
                ASSERT_TRUE(a.out.write());
                ASSERT_TRUE(waitForEntries(log, 2 + 6));
              },
              between({"out:ON_BUFFER_WRITE", "out:ON_BUFFER_READ", "out:ON_SEND", "in:ON_RECEIVED",
                       "in:ON_BUFFER_WRITE", "out:ON_RECEIVED"})},
    Situation{"periodic_with_nothing_to_send",
              {{"dataport.subscription_type", "periodic"}, {"dataport.publisher.push_rate", "100"}},
              {},
              [](LongPorts& a, LongPorts&, EventLog& log) {
                a.out.activateInterfaces();
                ASSERT_TRUE(waitForEntries(log, 2 + 2));
                a.out.deactivateInterfaces();
                std::this_thread::sleep_for(50ms);  // lets a period already under way end
                // Keeps the connection's events only: the empty periods come at the rate's pace.
                std::vector<std::string> first = log.take();
                first.resize(4);
                for (const std::string& e : first)
                  log.add(e);
              },
              between({"out:ON_BUFFER_EMPTY", "out:ON_SENDER_EMPTY"})},
    Situation{"pull",
              {{"dataport.dataflow_type", "pull"}},
              {},
              [](LongPorts& a, LongPorts& b, EventLog&) {
                ASSERT_FALSE(b.in.read());
                ASSERT_TRUE(a.out.write());
                ASSERT_TRUE(b.in.read());
              },
              between({"out:ON_BUFFER_EMPTY", "out:ON_SENDER_EMPTY", "in:ON_SENDER_EMPTY", "out:ON_BUFFER_READ",
                       "out:ON_SEND", "in:ON_RECEIVED", "in:ON_BUFFER_WRITE"})}),
  situationName);

// A peer that vanishes: the writer hears a timeout, and the connection goes with its own event.
TEST(ConnectorListenerLostPeerTest, AVanishedPeerResultsInATimeoutThenTheConnectionsEnd)
{
  EventLog log;
  LongPorts a("A");
  recordAll(log, "out", a.out);
  Served<RecordingInPort> peer;
  ASSERT_EQ(RTC::RTC_OK, attachRawReader(a.out.getPortRef(), OpenRTM::InPortCdr::_narrow(peer.ref.in())));
  peer.stop();

  EXPECT_FALSE(a.out.write());

  EXPECT_EQ((std::vector<std::string>{"out:ON_CONNECT", "out:ON_SEND", "out:ON_RECEIVER_TIMEOUT",
                                      "out:ON_DISCONNECT(unlisted)"}),
            log.take());
  EXPECT_TRUE(a.out.getConnectorIds().empty());
}

// Octets that are not a sample of the port's type reach no listener; a typed listener that then
// has nothing to decode fails alone, and the port takes the next sample.
TEST(ConnectorListenerBadInputTest, UndecodableOctetsResultInAReceiverErrorWithoutTheOctets)
{
  struct Typed : RTC::ConnectorDataListenerT<RTC::TimedLong>
  {
    void operator()(const RTC::ConnectorInfo&, const RTC::TimedLong&) override { ++calls; }
    int calls = 0;
  };
  EventLog log;
  LongPorts b("B");
  recordAll(log, "in", b.in);
  Typed* typed = new Typed;
  b.in.addConnectorDataListener(RTC::ON_RECEIVER_ERROR, typed);
  OpenRTM::InPortCdr_var writer = attachRawWriter(b.in.getPortRef());
  ASSERT_FALSE(CORBA::is_nil(writer));

  EXPECT_EQ(OpenRTM::PORT_ERROR, writer->put(octets({1, 2, 3})));
  EXPECT_EQ(OpenRTM::PORT_OK, writer->put(leTimedLong(1, 2, 3)));

  EXPECT_EQ((std::vector<std::string>{"in:ON_CONNECT", "in:ON_RECEIVER_ERROR", "in:ON_RECEIVED", "in:ON_BUFFER_WRITE"}),
            log.take());
  EXPECT_EQ(0, typed->calls);
  EXPECT_TRUE(b.in.read());
  EXPECT_EQ(3, b.inSample.data);
}

// The typed listener decodes the very sample; ConnectorInfo carries the connection's options.
TEST(ConnectorListenerInfoTest, ATypedListenerResultsInTheSampleAndTheConnectionsOptions)
{
  struct Typed : RTC::ConnectorDataListenerT<RTC::TimedLong>
  {
    void operator()(const RTC::ConnectorInfo& i, const RTC::TimedLong& sample) override
    {
      info = i;
      data = sample.data;
    }
    RTC::ConnectorInfo info;
    CORBA::Long data = 0;
  };
  LongPorts a("A");
  LongPorts b("B");
  Typed* typed = new Typed;
  b.in.addConnectorDataListener(RTC::ON_BUFFER_WRITE, typed);
  RTC::ConnectorProfile cp =
    profileFor({a.out.getPortRef(), b.in.getPortRef()}, {{"dataport.inport.buffer.length", "3"}});
  ASSERT_EQ(RTC::RTC_OK, connectVia(a.out.getPortRef(), cp));

  a.outSample = timedLong(1, 2, -77);
  ASSERT_TRUE(a.out.write());

  EXPECT_EQ(-77, typed->data);
  EXPECT_EQ(cp.connector_id.in(), typed->info.id);
  EXPECT_EQ("test-connection", typed->info.name);
  EXPECT_EQ(2u, typed->info.ports.size());
  EXPECT_EQ("push", typed->info.properties.getProperty("dataflow_type"));
  EXPECT_EQ("flush", typed->info.properties.getProperty("subscription_type"));
  EXPECT_EQ("3", typed->info.properties.getProperty("buffer.length"));
  EXPECT_EQ(std::vector<std::string>{cp.connector_id.in()}, b.in.getConnectorIds());
  EXPECT_EQ(std::vector<std::string>{"test-connection"}, a.out.getConnectorNames());
  RTC::ConnectorInfo byName;
  EXPECT_TRUE(a.out.getConnectorProfileByName("test-connection", byName));
  EXPECT_FALSE(a.out.getConnectorProfileById("no-such-id", byName));
  EXPECT_TRUE(a.out.isLittleEndian());

  // Removed: no longer called, and deleted by the port (autoclean).
  b.in.removeConnectorDataListener(RTC::ON_BUFFER_WRITE, typed);
  a.outSample.data = 5;
  ASSERT_TRUE(a.out.write());
}
