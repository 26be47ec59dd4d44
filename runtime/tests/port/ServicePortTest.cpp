// Service ports in one process: which provider a consumer is given by each form of connector
// profile (and what is refused), and the order in which a component hears of a connection's
// steps on both of its ends.
#include "PortFixture.h"

#include <rtm/CorbaPort.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

using namespace porttest;

namespace
{
  // The interface the consumers here require: any port's own reference serves as a provider.
  typedef RTC::CorbaConsumer<RTC::PortService> PortConsumer;

  struct ConsumerHost
  {
    explicit ConsumerHost(const Props& componentProperties = {}) : host("C"), port("svc")
    {
      for (const auto& kv : componentProperties)
        host.getProperties().setProperty(kv.first, kv.second);
      port.registerConsumer("peer", "PortService", consumer);
      host.addIn("svc", port);
    }
    ~ConsumerHost() { host.shutdown(); }

    Host host;
    RTC::CorbaPort port;
    PortConsumer consumer;
  };

  struct BindingCase
  {
    const char* name;
    Props componentProperties;
    // "$IOR" stands for a usable provider's reference, "$OTHER" for an object of another interface.
    Props profile;
    RTC::ReturnCode_t expected;
    bool consumerSet;
  };

  class ServiceBindingTest : public ::testing::TestWithParam<BindingCase>
  {};

  const char* const kNewKey = "C.port.svc.required.PortService.peer";
  const char* const kProvidedKey = "P.port.out.provided.PortService.p0";
  const char* const kOldKey = "port.PortService.peer";
  const Props kStrict = {{"port.corbaport.connection.strictness", "strict"}};

  const BindingCase kBindingCases[] = {
    {"NewKeyNamingTheProvidedKey", {}, {{kNewKey, kProvidedKey}, {kProvidedKey, "$IOR"}}, RTC::RTC_OK, true},
    {"OldKeyOfTheConsumersOwnNames", {}, {{kOldKey, "$IOR"}}, RTC::RTC_OK, true},
    {"NewKeyWinsOverOldKey",
     {},
     {{kNewKey, kProvidedKey}, {kProvidedKey, "$IOR"}, {kOldKey, "nil"}},
     RTC::RTC_OK,
     true},
    {"NewKeyNamingAMissingKeyFallsBackToOldKey",
     {},
     {{kNewKey, "P.port.out.provided.X.gone"}, {kOldKey, "$IOR"}},
     RTC::RTC_OK,
     true},
    {"NewKeyNamingAMissingKeyLeavesItUnset", {}, {{kNewKey, "P.port.out.provided.X.gone"}}, RTC::RTC_OK, false},
    {"NewKeyNamingAMissingKeyIsRefusedWhenStrict",
     kStrict,
     {{kNewKey, "P.port.out.provided.X.gone"}},
     RTC::RTC_ERROR,
     false},
    {"NoProviderLeavesItUnset", {}, {}, RTC::RTC_OK, false},
    {"NoProviderIsRefusedWhenStrict", kStrict, {}, RTC::RTC_ERROR, false},
    {"StrictnessAskedByTheConnection", {}, {{"port.connection.strictness", "strict"}}, RTC::RTC_ERROR, false},
    {"NullIsAcceptedEvenWhenStrict", kStrict, {{kOldKey, "null"}}, RTC::RTC_OK, false},
    {"NilIsAccepted", {}, {{kNewKey, kProvidedKey}, {kProvidedKey, "nil"}}, RTC::RTC_OK, false},
    {"NonIorIsIgnoredEvenWhenStrict", kStrict, {{kOldKey, "corbaloc::127.0.0.1:1/x"}}, RTC::RTC_OK, false},
    {"MalformedIorIsIgnored", {}, {{kOldKey, "IOR:zz"}}, RTC::RTC_OK, false},
    {"ReferenceOfAnotherInterfaceIsIgnored", {}, {{kOldKey, "$OTHER"}}, RTC::RTC_OK, false},
  };

  TEST_P(ServiceBindingTest, ProfileResultsInItsCodeAndConsumer)
  {
    const BindingCase& c = GetParam();
    ConsumerHost sut(c.componentProperties);
    LongPorts provider("P");
    CORBA::String_var ior = testsupport::testOrb()->object_to_string(provider.out.getPortRef());
    CORBA::String_var other = testsupport::testOrb()->object_to_string(provider.host.getObjRef());
    RTC::ConnectorProfile cp;
    cp.connector_id = CORBA::string_dup("binding");
    cp.ports.length(1);
    cp.ports[0] = RTC::PortService::_duplicate(sut.port.getPortRef());
    for (const auto& kv : c.profile)
      setString(cp.properties, kv.first,
                kv.second == "$IOR"     ? std::string(ior.in())
                : kv.second == "$OTHER" ? std::string(other.in())
                                        : kv.second);

    EXPECT_EQ(c.expected, sut.port.getPortRef()->notify_connect(cp));
    ASSERT_EQ(c.consumerSet, !CORBA::is_nil(sut.consumer._ptr()));
    if (!c.consumerSet)
      return;
    EXPECT_TRUE(sut.consumer->_is_equivalent(provider.out.getPortRef()));
    // The connection's removal releases what it set.
    EXPECT_EQ(RTC::RTC_OK, sut.port.getPortRef()->notify_disconnect("binding"));
    EXPECT_TRUE(CORBA::is_nil(sut.consumer._ptr()));
  }

  INSTANTIATE_TEST_SUITE_P(Rules, ServiceBindingTest, ::testing::ValuesIn(kBindingCases),
                           [](const ::testing::TestParamInfo<BindingCase>& info) { return info.param.name; });

  // The component's thread calls through the borrowed pointer while connections replace and
  // release the reference on another thread: no call may run on a freed proxy (the sanitizer
  // builds check), and a call either answers or meets an unconnected consumer.
  TEST(ServiceConsumerTest, CallsInFlightOutliveTheReferenceBeingReplacedOnAnotherThread)
  {
    LongPorts provider("P");
    PortConsumer consumer;
    std::atomic<bool> done(false);
    std::thread connections([&] {
      for (int i = 0; i < 300; ++i)
      {
        EXPECT_TRUE(consumer.setObject(provider.out.getPortRef()));
        std::this_thread::yield();
        consumer.releaseObject();
      }
      done = true;
    });
    while (!done)
    {
      RTC::PortService_ptr peer = consumer._ptr();
      if (CORBA::is_nil(peer))
        continue;
      RTC::PortProfile_var profile = peer->get_port_profile();
      EXPECT_STREQ("P.out", profile->name.in());
    }
    connections.join();
    EXPECT_TRUE(CORBA::is_nil(consumer._ptr()));
  }

  // Every event lands in one list, "<port>:<event>[:<code>]", in the order it comes.
  struct EventLog
  {
    void add(const std::string& line)
    {
      std::lock_guard<std::mutex> lock(mutex);
      lines.push_back(line);
    }
    std::vector<std::string> take()
    {
      std::lock_guard<std::mutex> lock(mutex);
      std::vector<std::string> out;
      out.swap(lines);
      return out;
    }
    std::mutex mutex;
    std::vector<std::string> lines;
  };

  class LoggingListener : public RTC::PortConnectListener
  {
  public:
    LoggingListener(EventLog& log, RTC::PortConnectListenerType type) : m_log(log), m_type(type) {}
    void operator()(const char* portname, RTC::ConnectorProfile&) override
    {
      m_log.add(std::string(portname) + ":" + toString(m_type));
    }

  private:
    EventLog& m_log;
    RTC::PortConnectListenerType m_type;
  };

  class LoggingRetListener : public RTC::PortConnectRetListener
  {
  public:
    LoggingRetListener(EventLog& log, RTC::PortConnectRetListenerType type) : m_log(log), m_type(type) {}
    void operator()(const char* portname, RTC::ConnectorProfile&, RTC::ReturnCode_t ret) override
    {
      m_log.add(std::string(portname) + ":" + toString(m_type) + ":" + std::to_string(static_cast<int>(ret)));
    }

  private:
    EventLog& m_log;
    RTC::PortConnectRetListenerType m_type;
  };

  class LoggingCallback : public RTC::ConnectionCallback
  {
  public:
    LoggingCallback(EventLog& log, std::string what) : m_log(log), m_what(std::move(what)) {}
    void operator()(RTC::ConnectorProfile&) override { m_log.add(m_what); }

  private:
    EventLog& m_log;
    std::string m_what;
  };

  // A component with one service port whose every listener and callback writes to the log.
  struct ListenedPort
  {
    ListenedPort(const std::string& name, EventLog& log, const Props& componentProperties = {})
      : host(name), port("svc"), onPublish(log, name + ".svc:OnPublishInterfaces"),
        onSubscribe(log, name + ".svc:OnSubscribeInterfaces"), onConnected(log, name + ".svc:OnConnected"),
        onUnsubscribe(log, name + ".svc:OnUnsubscribeInterfaces"), onDisconnected(log, name + ".svc:OnDisconnected")
    {
      for (const auto& kv : componentProperties)
        host.getProperties().setProperty(kv.first, kv.second);
      for (int t = 0; t < RTC::PORT_CONNECT_LISTENER_NUM; ++t)
        host.addPortConnectListener(static_cast<RTC::PortConnectListenerType>(t),
                                    new LoggingListener(log, static_cast<RTC::PortConnectListenerType>(t)));
      for (int t = 0; t < RTC::PORT_CONNECT_RET_LISTENER_NUM; ++t)
        host.addPortConnectRetListener(static_cast<RTC::PortConnectRetListenerType>(t),
                                       new LoggingRetListener(log, static_cast<RTC::PortConnectRetListenerType>(t)));
      port.setOnPublishInterfaces(&onPublish);
      port.setOnSubscribeInterfaces(&onSubscribe);
      port.setOnConnected(&onConnected);
      port.setOnUnsubscribeInterfaces(&onUnsubscribe);
      port.setOnDisconnected(&onDisconnected);
      host.addIn("svc", port);
    }
    ~ListenedPort() { host.shutdown(); }

    Host host;
    RTC::CorbaPort port;
    LoggingCallback onPublish, onSubscribe, onConnected, onUnsubscribe, onDisconnected;
  };

  std::vector<std::string> prefixed(const std::string& port, const std::vector<std::string>& events)
  {
    std::vector<std::string> out;
    for (const std::string& event : events)
      out.push_back(port + ":" + event);
    return out;
  }

  std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts)
  {
    std::vector<std::string> out;
    for (const auto& part : parts)
      out.insert(out.end(), part.begin(), part.end());
    return out;
  }

  TEST(PortConnectListenerTest, EachPortReportsItsStepsInHandshakeOrderAndAFailureEndsItsOwn)
  {
    EventLog log;
    ListenedPort a("A", log);
    ListenedPort b("B", log);
    RTC::ConnectorProfile cp = profileFor({a.port.getPortRef(), b.port.getPortRef()});
    // A member function registered as a listener hears the same event as the listener objects.
    struct ConnectedCount
    {
      void seen(const char*, RTC::ConnectorProfile&, RTC::ReturnCode_t ret) { codes.push_back(ret); }
      std::vector<RTC::ReturnCode_t> codes;
    } connected;
    b.host.addPortConnectRetListener(RTC::ON_CONNECTED, connected, &ConnectedCount::seen);

    ASSERT_EQ(RTC::RTC_OK, a.port.getPortRef()->connect(cp));
    EXPECT_EQ(std::vector<RTC::ReturnCode_t>({RTC::RTC_OK}), connected.codes);
    const std::vector<std::string> connectOpen = {"ON_NOTIFY_CONNECT", "ON_PUBLISH_INTERFACES:0",
                                                  "OnPublishInterfaces"};
    const std::vector<std::string> connectClose = {"ON_CONNECT_NEXTPORT:0", "OnSubscribeInterfaces",
                                                   "ON_SUBSCRIBE_INTERFACES:0", "OnConnected", "ON_CONNECTED:0"};
    EXPECT_EQ(joined({prefixed("A.svc", connectOpen), prefixed("B.svc", connectOpen), prefixed("B.svc", connectClose),
                      prefixed("A.svc", connectClose)}),
              log.take());

    ASSERT_EQ(RTC::RTC_OK, a.port.getPortRef()->disconnect(cp.connector_id.in()));
    const std::vector<std::string> disconnectClose = {"ON_DISCONNECT_NEXT:0", "OnUnsubscribeInterfaces",
                                                      "ON_UNSUBSCRIBE_INTERFACES", "OnDisconnected",
                                                      "ON_DISCONNECTED:0"};
    EXPECT_EQ(joined({{"A.svc:ON_NOTIFY_DISCONNECT", "B.svc:ON_NOTIFY_DISCONNECT"},
                      prefixed("B.svc", disconnectClose),
                      prefixed("A.svc", disconnectClose)}),
              log.take());

    // B takes no connection: its publish step fails, which is the last step it reports.
    ListenedPort full("F", log, {{"port.corbaport.connection_limit", "0"}});
    RTC::ConnectorProfile refused = profileFor({a.port.getPortRef(), full.port.getPortRef()});
    EXPECT_EQ(RTC::RTC_ERROR, a.port.getPortRef()->connect(refused));
    EXPECT_EQ(joined({prefixed("A.svc", connectOpen),
                      {"F.svc:ON_NOTIFY_CONNECT", "F.svc:ON_PUBLISH_INTERFACES:1", "F.svc:ON_CONNECTED:1",
                       "A.svc:ON_CONNECT_NEXTPORT:1", "A.svc:ON_CONNECTED:1"}}),
              log.take());
  }
}
