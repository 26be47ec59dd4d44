// The connection handshake as tools and peers drive it through raw CORBA calls: who may start
// it, in which port order, which profiles are refused with which code, and that both ports
// always agree on what is connected.
#include "PortFixture.h"

#include <gtest/gtest.h>

#include <regex>

using namespace porttest;

namespace
{
  class HandshakeTest : public ::testing::Test
  {
  protected:
    LongPorts a{"A"};
    LongPorts b{"B"};
    RTC::PortService_ptr out() { return a.out.getPortRef(); }
    RTC::PortService_ptr in() { return b.in.getPortRef(); }
  };

  struct MatrixCase
  {
    const char* name;
    Props props;
    RTC::ReturnCode_t expected;
  };
}

TEST_F(HandshakeTest, ConnectOnOutPortResultsInOneConnectorListedByBothPorts)
{
  RTC::ConnectorProfile cp = profileFor({out(), in()});

  ASSERT_EQ(RTC::RTC_OK, connectVia(out(), cp));

  const std::string id = cp.connector_id.in();
  EXPECT_TRUE(std::regex_match(id, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
    << id;
  EXPECT_EQ(std::vector<std::string>{id}, connectorIds(out()));
  EXPECT_EQ(std::vector<std::string>{id}, connectorIds(in()));
}

TEST_F(HandshakeTest, ReturnedProfileCarriesTheInPortObjectAsStringAndReference)
{
  RTC::ConnectorProfile cp = profileFor({out(), in()});
  ASSERT_EQ(RTC::RTC_OK, connectVia(out(), cp));

  bool found = false;
  const std::string ior = getString(cp.properties, "dataport.corba_cdr.inport_ior", &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(0u, ior.rfind("IOR:", 0));
  CORBA::Object_var ref;
  bool isRef = false;
  for (CORBA::ULong i = 0; i < cp.properties.length(); ++i)
    if (std::string("dataport.corba_cdr.inport_ref") == cp.properties[i].name.in())
      isRef = (cp.properties[i].value >>= CORBA::Any::to_object(ref.out()));
  ASSERT_TRUE(isRef);
  EXPECT_TRUE(ref->_is_a("IDL:OpenRTM/InPortCdr:1.0"));
  EXPECT_EQ("little,big", getString(cp.properties, "dataport.serializer.cdr.endian"));
}

TEST_F(HandshakeTest, EveryInitiatorAndPortOrderConnectsForEveryFlow)
{
  const std::vector<Props> flows = {
    {{"dataport.subscription_type", "flush"}},
    {{"dataport.subscription_type", "new"}},
    {{"dataport.subscription_type", "periodic"}, {"dataport.publisher.push_rate", "100"}},
    {{"dataport.dataflow_type", "pull"}},
  };
  for (const Props& flow : flows)
  {
    for (int order = 0; order < 2; ++order)
    {
      for (int initiator = 0; initiator < 2; ++initiator)
      {
        RTC::ConnectorProfile cp = order == 0 ? profileFor({out(), in()}, flow) : profileFor({in(), out()}, flow);
        RTC::PortService_ptr starter = initiator == 0 ? out() : in();
        SCOPED_TRACE(flow[0].second + " order " + std::to_string(order) + " initiator " + std::to_string(initiator));

        ASSERT_EQ(RTC::RTC_OK, connectVia(starter, cp));
        const std::string id = cp.connector_id.in();
        EXPECT_EQ(std::vector<std::string>{id}, connectorIds(out()));
        EXPECT_EQ(std::vector<std::string>{id}, connectorIds(in()));

        ASSERT_EQ(RTC::RTC_OK, (initiator == 0 ? in() : out())->disconnect(id.c_str()));
        EXPECT_TRUE(connectorIds(out()).empty());
        EXPECT_TRUE(connectorIds(in()).empty());
      }
    }
  }
}

TEST_F(HandshakeTest, RefusedProfilesResultInTheirCodeAndNoConnectorOnEitherPort)
{
  const std::vector<MatrixCase> cases = {
    {"interface list", {{"dataport.interface_type", "corba_cdr,foo"}}, RTC::BAD_PARAMETER},
    {"unknown interface", {{"dataport.interface_type", "shared_memory"}}, RTC::BAD_PARAMETER},
    {"empty interface", {{"dataport.interface_type", ""}}, RTC::BAD_PARAMETER},
    {"unknown dataflow", {{"dataport.dataflow_type", "sideways"}}, RTC::BAD_PARAMETER},
    {"unknown subscription", {{"dataport.subscription_type", "sometimes"}}, RTC::RTC_ERROR},
    {"periodic without rate", {{"dataport.subscription_type", "periodic"}}, RTC::RTC_ERROR},
    {"periodic with zero rate",
     {{"dataport.subscription_type", "periodic"}, {"dataport.publisher.push_rate", "0"}},
     RTC::RTC_ERROR},
    {"endian", {{"dataport.serializer.cdr.endian", "middle"}}, RTC::UNSUPPORTED},
    {"data type", {{"dataport.data_type", "IDL:RTC/TimedDouble:1.0"}}, RTC::BAD_PARAMETER},
  };
  for (const MatrixCase& c : cases)
  {
    for (int order = 0; order < 2; ++order)
    {
      SCOPED_TRACE(std::string(c.name) + " order " + std::to_string(order));
      RTC::ConnectorProfile cp = order == 0 ? profileFor({out(), in()}, c.props) : profileFor({in(), out()}, c.props);

      EXPECT_EQ(c.expected, connectVia(cp.ports[0], cp));

      EXPECT_TRUE(connectorIds(out()).empty());
      EXPECT_TRUE(connectorIds(in()).empty());
    }
  }
}

TEST_F(HandshakeTest, MissingInterfaceOrDataflowIsRefusedAsBadParameter)
{
  for (const char* key : {"dataport.interface_type", "dataport.dataflow_type"})
  {
    SCOPED_TRACE(key);
    RTC::ConnectorProfile cp = profileFor({out(), in()});
    CORBA::ULong kept = 0;
    for (CORBA::ULong i = 0; i < cp.properties.length(); ++i)
      if (std::string(key) != cp.properties[i].name.in())
        cp.properties[kept++] = cp.properties[i];
    cp.properties.length(kept);

    EXPECT_EQ(RTC::BAD_PARAMETER, connectVia(out(), cp));
    EXPECT_TRUE(connectorIds(in()).empty());
  }
}

TEST_F(HandshakeTest, DuplicateConnectorIdIsRefusedAndTheFirstConnectionStays)
{
  RTC::ConnectorProfile first = profileFor({out(), in()}, {}, "fixed-id");
  ASSERT_EQ(RTC::RTC_OK, connectVia(out(), first));

  RTC::ConnectorProfile again = profileFor({out(), in()}, {}, "fixed-id");
  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, connectVia(out(), again));
  // Started from the other port, the id is still one the port already serves.
  RTC::ConnectorProfile viaIn = profileFor({out(), in()}, {}, "fixed-id");
  EXPECT_NE(RTC::RTC_OK, connectVia(in(), viaIn));

  EXPECT_EQ(std::vector<std::string>{"fixed-id"}, connectorIds(out()));
  EXPECT_EQ(std::vector<std::string>{"fixed-id"}, connectorIds(in()));
  a.outSample = timedLong(1, 2, 3);
  EXPECT_TRUE(a.out.write());
  EXPECT_TRUE(b.in.read());
  EXPECT_EQ(3, b.inSample.data);
}

TEST_F(HandshakeTest, ThirdPartyConnectionShowsInBothProfilesAndDisconnectRemovesItFromBoth)
{
  // A tool holds only references: it calls connect on the in port with both ports listed.
  RTC::ConnectorProfile cp = profileFor({out(), in()});
  ASSERT_EQ(RTC::RTC_OK, in()->connect(cp));
  const std::string id = cp.connector_id.in();

  RTC::PortProfile_var outProfile = out()->get_port_profile();
  RTC::PortProfile_var inProfile = in()->get_port_profile();
  ASSERT_EQ(1u, outProfile->connector_profiles.length());
  ASSERT_EQ(1u, inProfile->connector_profiles.length());
  EXPECT_EQ(id, outProfile->connector_profiles[0].connector_id.in());
  EXPECT_EQ(id, inProfile->connector_profiles[0].connector_id.in());
  RTC::ConnectorProfile_var one = out()->get_connector_profile(id.c_str());
  EXPECT_EQ(2u, one->ports.length());

  ASSERT_EQ(RTC::RTC_OK, out()->disconnect(id.c_str()));

  EXPECT_TRUE(connectorIds(out()).empty());
  EXPECT_TRUE(connectorIds(in()).empty());
}

TEST_F(HandshakeTest, DisconnectAndLookupOfUnknownIdsChangeNothing)
{
  RTC::ConnectorProfile cp = profileFor({out(), in()});
  ASSERT_EQ(RTC::RTC_OK, connectVia(out(), cp));

  EXPECT_EQ(RTC::BAD_PARAMETER, out()->disconnect("no-such-id"));
  EXPECT_EQ(RTC::BAD_PARAMETER, in()->notify_disconnect("no-such-id"));
  RTC::ConnectorProfile_var none = out()->get_connector_profile("no-such-id");

  EXPECT_STREQ("", none->connector_id.in());
  EXPECT_EQ(1u, connectorIds(out()).size());
  EXPECT_EQ(1u, connectorIds(in()).size());
}

TEST_F(HandshakeTest, NotifyConnectOnAPortNotInTheProfileIsRefused)
{
  RTC::ConnectorProfile cp = profileFor({out(), in()}, {}, "stranger");

  EXPECT_EQ(RTC::BAD_PARAMETER, a.in.getPortRef()->notify_connect(cp));
  EXPECT_TRUE(connectorIds(a.in.getPortRef()).empty());
}

TEST_F(HandshakeTest, DisconnectAllLeavesNoConnectorOnAnyPeer)
{
  LongPorts c{"C"};
  RTC::ConnectorProfile toB = profileFor({out(), in()});
  RTC::ConnectorProfile toC = profileFor({out(), c.in.getPortRef()}, {{"dataport.subscription_type", "new"}});
  ASSERT_EQ(RTC::RTC_OK, connectVia(out(), toB));
  ASSERT_EQ(RTC::RTC_OK, connectVia(out(), toC));
  ASSERT_EQ(2u, connectorIds(out()).size());

  EXPECT_EQ(RTC::RTC_OK, out()->disconnect_all());

  EXPECT_TRUE(connectorIds(out()).empty());
  EXPECT_TRUE(connectorIds(in()).empty());
  EXPECT_TRUE(connectorIds(c.in.getPortRef()).empty());
}

TEST_F(HandshakeTest, ConnectionLimitRefusesTheConnectionBeyondIt)
{
  LongPorts limited{"L", {{"connection_limit", "1"}}};
  RTC::PortService_ptr target = limited.in.getPortRef();
  RTC::ConnectorProfile first = profileFor({out(), target});
  ASSERT_EQ(RTC::RTC_OK, connectVia(out(), first));

  RTC::ConnectorProfile second = profileFor({b.out.getPortRef(), target});
  EXPECT_EQ(RTC::RTC_ERROR, connectVia(b.out.getPortRef(), second));

  EXPECT_EQ(1u, connectorIds(target).size());
  EXPECT_TRUE(connectorIds(b.out.getPortRef()).empty());
}

TEST_F(HandshakeTest, InterfaceTypesNotOfferedByThePortAreRefused)
{
  LongPorts restricted{"R", {{"provider_types", "shared_memory"}}};
  RTC::ConnectorProfile cp = profileFor({out(), restricted.in.getPortRef()});

  EXPECT_EQ(RTC::BAD_PARAMETER, connectVia(out(), cp));
  EXPECT_TRUE(connectorIds(out()).empty());
}
