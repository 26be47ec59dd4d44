// The receiving buffer and the option reading behind it, without an ORB: what a connection's
// options change, and what they leave alone.
#include "port/ConnectionRequest.h"
#include "port/ConnectorOptions.h"
#include "port/Uuid.h"
#include "transport/SampleQueue.h"
#include "testsupport/NamingClient.h"

#include <rtm/detail/TypedSampleOps.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

namespace
{
  const rtm::SampleOps& longOps() { return rtm::TypedSampleOps<RTC::TimedLong>::instance(); }

  std::vector<CORBA::Octet> le(CORBA::Long value)
  {
    std::vector<CORBA::Octet> bytes(12, 0);
    for (int b = 0; b < 4; ++b)
      bytes[8 + b] = static_cast<CORBA::Octet>(static_cast<CORBA::ULong>(value) >> (8 * b));
    return bytes;
  }

  OpenRTM::PortStatus put(rtm::SampleQueue& sut, CORBA::Long value)
  {
    // A buffer omniORB hands us is 8-aligned; so is this one.
    alignas(8) CORBA::Octet aligned[12];
    const auto bytes = le(value);
    std::copy(bytes.begin(), bytes.end(), aligned);
    return sut.putCdr(aligned, 12, rtm::ByteOrder::Little);
  }

  std::function<std::string(const std::string&)> lookup(std::map<std::string, std::string> values)
  {
    return [values = std::move(values)](const std::string& key) {
      auto it = values.find(key);
      return it == values.end() ? std::string() : it->second;
    };
  }
}

TEST(SampleQueueTest, AConnectionWithoutBufferOptionsKeepsTheBufferAndItsData)
{
  rtm::SampleQueue sut(longOps());
  sut.configure(lookup({{"buffer.length", "3"}, {"buffer.write.full_policy", "do_nothing"}}));
  ASSERT_EQ(OpenRTM::PORT_OK, put(sut, 1));

  sut.configure(lookup({}));

  EXPECT_EQ(1u, sut.readable());
  EXPECT_EQ(3u, sut.options().length);
  EXPECT_EQ(rtm::WritePolicy::DoNothing, sut.options().writePolicy);
}

TEST(SampleQueueTest, AGivenLengthStartsTheBufferAfreshEvenIfUnchanged)
{
  rtm::SampleQueue sut(longOps());
  ASSERT_EQ(OpenRTM::PORT_OK, put(sut, 1));

  sut.configure(lookup({{"buffer.length", "8"}}));

  EXPECT_EQ(0u, sut.readable());
}

TEST(SampleQueueTest, MisalignedOctetsAreDecodedAsWell)
{
  rtm::SampleQueue sut(longOps());
  alignas(8) CORBA::Octet storage[16] = {};
  const auto bytes = le(-42);
  std::copy(bytes.begin(), bytes.end(), storage + 1);

  ASSERT_EQ(OpenRTM::PORT_OK, sut.putCdr(storage + 1, 12, rtm::ByteOrder::Little));

  RTC::TimedLong out{};
  ASSERT_TRUE(sut.readInto(&out));
  EXPECT_EQ(-42, out.data);
}

TEST(SampleQueueTest, AFailedDecodeLeavesTheBufferAndTheReadbackSampleAlone)
{
  rtm::SampleQueue sut(longOps());
  ASSERT_EQ(OpenRTM::PORT_OK, put(sut, 5));
  RTC::TimedLong out{};
  ASSERT_TRUE(sut.readInto(&out));

  alignas(8) CORBA::Octet shortData[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(OpenRTM::PORT_ERROR, sut.putCdr(shortData, 8, rtm::ByteOrder::Little));

  EXPECT_EQ(0u, sut.readable());
  out.data = 0;
  ASSERT_TRUE(sut.readInto(&out));
  EXPECT_EQ(5, out.data);
}

TEST(ConnectorOptionsTest, DirectionSpecificPropertiesOverrideCommonOnesWhichOverrideThePorts)
{
  testsupport::testOrb();  // copying an Any needs an initialised ORB, even when this test runs alone
  coil::Properties port;
  port.setProperty("buffer.length", "4");
  port.setProperty("buffer.write.timeout", "2.0");
  port.setProperty("connection_limit", "3");
  SDOPackage::NVList nv;
  const auto add = [&nv](const char* name, const char* value) {
    const CORBA::ULong n = nv.length();
    nv.length(n + 1);
    nv[n].name = CORBA::string_dup(name);
    nv[n].value <<= value;
  };
  add("dataport.buffer.length", "6");
  add("dataport.inport.buffer.length", "9");
  add("dataport.outport.buffer.length", "11");
  add("dataport.subscription_type", "new");
  nv.length(nv.length() + 1);
  nv[nv.length() - 1].name = CORBA::string_dup("dataport.not_a_string");
  nv[nv.length() - 1].value <<= CORBA::Long(5);

  const coil::Properties in = rtm::connectorOptions(port, nv, "inport");
  const coil::Properties out = rtm::connectorOptions(port, nv, "outport");

  EXPECT_EQ("9", in.getProperty("buffer.length"));
  EXPECT_EQ("11", out.getProperty("buffer.length"));
  EXPECT_EQ("2.0", in.getProperty("buffer.write.timeout"));
  EXPECT_EQ("new", out.getProperty("subscription_type"));
  EXPECT_EQ("3", in.getProperty("connection_limit"));
  EXPECT_EQ("", in.getProperty("not_a_string"));
}

TEST(ConnectorOptionsTest, OfferedInterfaceTypesAreAListWithAllAsWildcard)
{
  coil::Properties port;
  EXPECT_TRUE(rtm::offersInterface(port, "provider_types", "corba_cdr"));
  port.setProperty("provider_types", "shared_memory, CORBA_CDR");
  EXPECT_TRUE(rtm::offersInterface(port, "provider_types", "corba_cdr"));
  port.setProperty("provider_types", "shared_memory");
  EXPECT_FALSE(rtm::offersInterface(port, "provider_types", "corba_cdr"));
  port.setProperty("provider_types", "All");
  EXPECT_TRUE(rtm::offersInterface(port, "provider_types", "corba_cdr"));
}

TEST(ConnectorOptionsTest, TimeoutsInSecondsFallBackWhenUnusable)
{
  coil::Properties options;
  for (const char* bad : {"", "abc", "-1", "0", "1e9", "0.5s"})
  {
    options.setProperty("t", bad);
    EXPECT_EQ(700u, rtm::secondsOption(options, "t", 700)) << bad;
  }
  options.setProperty("t", "0.25");
  EXPECT_EQ(250u, rtm::secondsOption(options, "t", 700));
}

TEST(UuidTest, ConnectorIdsAreDistinctVersionFourUuids)
{
  std::set<std::string> seen;
  for (int i = 0; i < 1000; ++i)
  {
    const std::string id = rtm::generateUuid();
    ASSERT_EQ(36u, id.size());
    ASSERT_EQ('4', id[14]);
    ASSERT_NE(std::string::npos, std::string("89ab").find(id[19]));
    ASSERT_EQ(std::string::npos, id.find_first_not_of("0123456789abcdef-"));
    seen.insert(id);
  }
  EXPECT_EQ(1000u, seen.size());
}

TEST(DataTypeNameTest, TheSameTypeMatchesInEveryFormOtherTypesInNone)
{
  const std::string own = "IDL:RTC/TimedLong:1.0";
  for (const char* same : {"IDL:RTC/TimedLong:1.0", "RTC/TimedLong", "RTC::TimedLong", "TimedLong"})
    EXPECT_TRUE(rtm::sameDataType(same, own)) << same;
  for (const char* other : {"IDL:RTC/TimedLongSeq:1.0", "TimedDouble", "Other::TimedLong", "IDL:Other/TimedLong:1.0",
                            "timedlong", "Long", ""})
    EXPECT_FALSE(rtm::sameDataType(other, own)) << other;
}
