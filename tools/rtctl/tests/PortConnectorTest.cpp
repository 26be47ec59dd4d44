#include "client/Error.h"
#include "client/PortConnector.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    // A port profile as a data port of the middleware publishes it.
    PortInfo port(const char* name, const char* portType, const char* dataType, const char* subscriptions)
    {
      RTC::PortProfile profile;
      profile.name = CORBA::string_dup(name);
      const char* const properties[][2] = {{"port.port_type", portType},
                                           {"dataport.data_type", dataType},
                                           {"dataport.subscription_type", subscriptions},
                                           {"dataport.dataflow_type", "push,pull"},
                                           {"dataport.interface_type", "corba_cdr"}};
      profile.properties.length(5);
      for (CORBA::ULong i = 0; i < 5; ++i)
      {
        profile.properties[i].name = CORBA::string_dup(properties[i][0]);
        profile.properties[i].value <<= properties[i][1];
      }
      return PortInfo(profile);
    }

    // Built in the tests, not at static initialisation, where omniORB's type codes may not
    // exist yet.
    class KnownPorts : public ::testing::Test
    {
    protected:
      const PortInfo kLongOut = port("A0.y1", "DataOutPort", "IDL:RTC/TimedLong:1.0", "flush,new,periodic");
      const PortInfo kLongIn = port("B0.x1", "DataInPort", "IDL:RTC/TimedLong:1.0", "Any");
      const PortInfo kDoubleIn = port("C0.in", "DataInPort", "IDL:RTC/TimedDouble:1.0", "Any");
    };
    class PortConnectorProperties : public KnownPorts
    {};
    class PortConnectorCheck : public KnownPorts
    {};

    std::string valueOf(const PortConnector::Properties& properties, const std::string& key)
    {
      for (const auto& nv : properties)
        if (nv.first == key)
          return nv.second;
      return "<absent>";
    }

    TEST_F(PortConnectorProperties, DefaultsArePushFlushCorbaCdrAndTheFirstPortsType)
    {
      const PortConnector::Properties sut = PortConnector::properties(kLongOut, {});
      EXPECT_EQ("push", valueOf(sut, "dataport.dataflow_type"));
      EXPECT_EQ("flush", valueOf(sut, "dataport.subscription_type"));
      EXPECT_EQ("corba_cdr", valueOf(sut, "dataport.interface_type"));
      EXPECT_EQ("IDL:RTC/TimedLong:1.0", valueOf(sut, "dataport.data_type"));
    }

    TEST_F(PortConnectorProperties, UserValuesReplaceDefaultsAndGetThePrefix)
    {
      const PortConnector::Properties sut =
        PortConnector::properties(kLongOut, {"subscription_type=new", "dataport.buffer.length = 16"});
      EXPECT_EQ("new", valueOf(sut, "dataport.subscription_type"));
      EXPECT_EQ("16", valueOf(sut, "dataport.buffer.length"));
      EXPECT_EQ(5u, sut.size());
    }

    TEST_F(PortConnectorProperties, WordWithoutEqualsIsAUsageError)
    {
      EXPECT_THROW(PortConnector::properties(kLongOut, {"subscription_type"}), UsageError);
      EXPECT_THROW(PortConnector::properties(kLongOut, {"=new"}), UsageError);
    }

    TEST_F(PortConnectorCheck, OutputToInputOfTheSameTypeIsAccepted)
    {
      EXPECT_NO_THROW(
        PortConnector::checkCompatible("a", kLongOut, "b", kLongIn, PortConnector::properties(kLongOut, {})));
      EXPECT_NO_THROW(
        PortConnector::checkCompatible("b", kLongIn, "a", kLongOut, PortConnector::properties(kLongIn, {})));
    }

    TEST_F(PortConnectorCheck, DifferentDataTypesAreRefusedNamingBothTypes)
    {
      try
      {
        PortConnector::checkCompatible("a", kLongOut, "c", kDoubleIn, PortConnector::properties(kLongOut, {}));
        FAIL() << "mismatched types accepted";
      }
      catch (const Error& e)
      {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("IDL:RTC/TimedLong:1.0"));
        EXPECT_NE(std::string::npos, std::string(e.what()).find("IDL:RTC/TimedDouble:1.0"));
      }
    }

    TEST_F(PortConnectorCheck, TwoPortsOfOneDirectionAreRefused)
    {
      EXPECT_THROW(PortConnector::checkCompatible("a", kLongIn, "b", kLongIn, PortConnector::properties(kLongIn, {})),
                   Error);
      EXPECT_THROW(
        PortConnector::checkCompatible("a", kLongOut, "b", kLongOut, PortConnector::properties(kLongOut, {})), Error);
    }

    TEST_F(PortConnectorCheck, ValueThePortDoesNotOfferIsRefused)
    {
      EXPECT_THROW(PortConnector::checkCompatible("a", kLongOut, "b", kLongIn,
                                                  PortConnector::properties(kLongOut, {"subscription_type=bogus"})),
                   Error);
      EXPECT_THROW(PortConnector::checkCompatible("a", kLongOut, "b", kLongIn,
                                                  PortConnector::properties(kLongOut, {"interface_type=shm"})),
                   Error);
    }

    // A service port's profile: its type and its interfaces, "name:Type:provided|required".
    PortInfo servicePort(const char* name, std::initializer_list<const char*> interfaces)
    {
      RTC::PortProfile profile;
      profile.name = CORBA::string_dup(name);
      profile.properties.length(1);
      profile.properties[0].name = CORBA::string_dup("port.port_type");
      profile.properties[0].value <<= "CorbaPort";
      for (const char* text : interfaces)
      {
        const std::string entry = text;
        const std::string::size_type first = entry.find(':');
        const std::string::size_type second = entry.find(':', first + 1);
        const CORBA::ULong n = profile.interfaces.length();
        profile.interfaces.length(n + 1);
        profile.interfaces[n].instance_name = CORBA::string_dup(entry.substr(0, first).c_str());
        profile.interfaces[n].type_name = CORBA::string_dup(entry.substr(first + 1, second - first - 1).c_str());
        profile.interfaces[n].polarity = entry.substr(second + 1) == "provided" ? RTC::PROVIDED : RTC::REQUIRED;
      }
      return PortInfo(profile);
    }

    TEST_F(PortConnectorCheck, ServicePortsNameTheProviderOfEachRequiredInterfaceAndRefuseDataPorts)
    {
      const PortInfo consumer = servicePort("C0.svc", {"calc:Calculator:required", "log:Logger:required"});
      const PortInfo provider = servicePort("P0.calc", {"adder:Calculator:provided", "other:Echo:provided"});

      // Either order: the key belongs to the port that requires, the value names the provider.
      for (const auto& pair : {std::make_pair(&consumer, &provider), std::make_pair(&provider, &consumer)})
      {
        const PortConnector::Properties sut =
          PortConnector::properties(*pair.first, *pair.second, {"port.connection.strictness=strict"});
        EXPECT_EQ(
          PortConnector::Properties({{"C0.port.svc.required.Calculator.calc", "P0.port.calc.provided.Calculator.adder"},
                                     {"port.connection.strictness", "strict"}}),
          sut);
        EXPECT_NO_THROW(PortConnector::checkCompatible("a", *pair.first, "b", *pair.second, sut));
      }
      EXPECT_THROW(PortConnector::properties(provider, provider, {}), Error);
      EXPECT_THROW(PortConnector::checkCompatible("a", consumer, "b", kLongIn, {}), Error);
      EXPECT_THROW(PortConnector::checkCompatible("a", kLongOut, "b", provider, {}), Error);
    }

    TEST(PortConnectorOffers, ListsAreCommaSeparatedCaseBlindAndAnyOffersAll)
    {
      EXPECT_TRUE(PortConnector::offers("flush,new,periodic", "NEW"));
      EXPECT_TRUE(PortConnector::offers("push, pull", "pull"));
      EXPECT_TRUE(PortConnector::offers("Any", "whatever"));
      EXPECT_FALSE(PortConnector::offers("flush,new", "ne"));
      EXPECT_FALSE(PortConnector::offers("", "flush"));
    }
  }
}
