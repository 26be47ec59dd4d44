#include "../../src/config/Preconnect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

  using Props = std::vector<std::pair<std::string, std::string>>;

  struct AcceptedCase
  {
    const char* name;
    std::string value;
    std::string component0, port0, component1, port1;
    Props props;  // in the order the tree lists them
  };

  class PreconnectAccepted : public ::testing::TestWithParam<AcceptedCase>
  {};

  TEST_P(PreconnectAccepted, ResultsInTheTwoPortsAndTheConnectorProperties)
  {
    const AcceptedCase& c = GetParam();

    const rtm::config::PreconnectList sut = rtm::config::parsePreconnect(c.value);

    ASSERT_TRUE(sut.errors.empty()) << sut.errors.front();
    ASSERT_EQ(sut.connections.size(), 1u);
    const rtm::config::Preconnection& connection = sut.connections.front();
    EXPECT_EQ(connection.component0, c.component0);
    EXPECT_EQ(connection.port0, c.port0);
    EXPECT_EQ(connection.component1, c.component1);
    EXPECT_EQ(connection.port1, c.port1);
    Props props;
    for (const std::string& key : connection.properties.propertyNames())
    {
      props.emplace_back(key, connection.properties.getProperty(key));
    }
    EXPECT_EQ(props, c.props);
  }

  const Props kDefaults = {{"dataport.dataflow_type", "push"}, {"dataport.interface_type", "corba_cdr"}};

  const AcceptedCase kAccepted[] = {
    {"PortsAloneTakeTheDefaults", "Sensor0.out:Trimul0.x1", "Sensor0", "Sensor0.out", "Trimul0", "Trimul0.x1",
     kDefaults},
    {"OptionKeysGetTheDataportPrefix",
     " Sensor0.out : Trimul0.x1 (subscription_type=new&buffer.length=16) ",
     "Sensor0",
     "Sensor0.out",
     "Trimul0",
     "Trimul0.x1",
     {{"dataport.subscription_type", "new"}, {"dataport.buffer.length", "16"}, kDefaults[0], kDefaults[1]}},
    {"AKeyWithThePrefixKeepsIt",
     "A0.o:B0.i(dataport.dataflow_type=pull)",
     "A0",
     "A0.o",
     "B0",
     "B0.i",
     {{"dataport.dataflow_type", "pull"}, kDefaults[1]}},
    {"TheFirstDotSplitsComponentFromPort", "A0.out.ch1:B0.in", "A0", "A0.out.ch1", "B0", "B0.in", kDefaults},
    {"ACommaInsideTheOptionsStaysThere",
     "A0.o:B0.i(serializer.cdr.endian=big,little)",
     "A0",
     "A0.o",
     "B0",
     "B0.i",
     {{"dataport.serializer.cdr.endian", "big,little"}, kDefaults[0], kDefaults[1]}},
  };

  INSTANTIATE_TEST_SUITE_P(Cases, PreconnectAccepted, ::testing::ValuesIn(kAccepted),
                           [](const ::testing::TestParamInfo<AcceptedCase>& param) { return param.param.name; });

  TEST(PreconnectList, EachEntryStandsAloneAMalformedOneCostsOneLineNamingIt)
  {
    const std::vector<std::string> malformed = {
      "A0.o",         "A0.o:B0.i:C0.j", "A0:B0.i",         "A0.o:.i",
      "A0.o:B0.",     "A0.o:B0.i(a=1",  "A0.o:B0.i(a=1)x", "A0.o:B0.i(novalue)",
      "A0.o:B0.i(=v)"};
    std::string value = "A0.o:B0.i";
    for (const std::string& entry : malformed)
    {
      value += ", " + entry;
    }
    value += ",, C0.o:D0.i";

    const rtm::config::PreconnectList sut = rtm::config::parsePreconnect(value);

    ASSERT_EQ(sut.connections.size(), 2u);
    EXPECT_EQ(sut.connections[0].text, "A0.o:B0.i");
    EXPECT_EQ(sut.connections[1].text, "C0.o:D0.i");
    ASSERT_EQ(sut.errors.size(), malformed.size());
    for (std::size_t i = 0; i < malformed.size(); ++i)
    {
      EXPECT_NE(sut.errors[i].find("'" + malformed[i] + "'"), std::string::npos) << sut.errors[i];
    }
  }

  TEST(PreconnectList, NothingSetMeansNoConnections)
  {
    const rtm::config::PreconnectList sut = rtm::config::parsePreconnect(" ");
    EXPECT_TRUE(sut.connections.empty());
    EXPECT_TRUE(sut.errors.empty());
  }

}  // namespace
