// What a port publishes about itself: the fields and property order tools rely on.
#include "PortFixture.h"

#include <gtest/gtest.h>

using namespace porttest;

namespace
{
  std::vector<std::string> propertyNames(const SDOPackage::NVList& nv)
  {
    std::vector<std::string> names;
    for (CORBA::ULong i = 0; i < nv.length(); ++i)
      names.push_back(nv[i].name.in());
    return names;
  }
}

TEST(PortProfileTest, InPortProfileNamesItsOwnerAndListsItsPropertiesInOrder)
{
  LongPorts sut{"Trimul0"};

  RTC::PortProfile_var profile = sut.in.getPortRef()->get_port_profile();

  EXPECT_STREQ("Trimul0.in", profile->name.in());
  EXPECT_EQ(0u, profile->interfaces.length());
  EXPECT_TRUE(profile->port_ref->_is_equivalent(sut.in.getPortRef()));
  EXPECT_TRUE(profile->owner->_is_equivalent(sut.host.getObjRef()));
  EXPECT_EQ((std::vector<std::string>{"port.port_type", "dataport.data_type", "dataport.subscription_type",
                                      "dataport.dataflow_type", "dataport.interface_type"}),
            propertyNames(profile->properties));
  EXPECT_EQ("DataInPort", getString(profile->properties, "port.port_type"));
  EXPECT_EQ("IDL:RTC/TimedLong:1.0", getString(profile->properties, "dataport.data_type"));
  EXPECT_EQ("Any", getString(profile->properties, "dataport.subscription_type"));
  EXPECT_EQ("push,pull", getString(profile->properties, "dataport.dataflow_type"));
  EXPECT_EQ("corba_cdr", getString(profile->properties, "dataport.interface_type"));
}

TEST(PortProfileTest, OutPortProfileCarriesTheLastWrittenSampleAsDataValue)
{
  LongPorts sut{"Trimul0"};
  sut.outSample = timedLong(5, 6, 77);
  sut.out.write();

  RTC::PortProfile_var profile = sut.out.getPortRef()->get_port_profile();

  EXPECT_STREQ("Trimul0.out", profile->name.in());
  EXPECT_EQ((std::vector<std::string>{"port.port_type", "dataport.data_type", "dataport.subscription_type",
                                      "dataport.data_value", "dataport.dataflow_type", "dataport.interface_type"}),
            propertyNames(profile->properties));
  EXPECT_EQ("DataOutPort", getString(profile->properties, "port.port_type"));
  EXPECT_EQ("flush,new,periodic", getString(profile->properties, "dataport.subscription_type"));
  const RTC::TimedLong* value = nullptr;
  ASSERT_TRUE(profile->properties[3].value >>= value);
  EXPECT_EQ(77, value->data);
  EXPECT_EQ(5u, value->tm.sec);
}

TEST(PortProfileTest, OutPortTakesItsInitialDataValueFromTheBoundSample)
{
  RTC::TimedLong sample = timedLong(1, 2, 42);
  Host host{"H"};
  RTC::OutPort<RTC::TimedLong> sut("y1", sample);
  host.addOut("y1", sut);

  RTC::PortProfile_var profile = sut.getPortRef()->get_port_profile();

  const RTC::TimedLong* value = nullptr;
  ASSERT_TRUE(profile->properties[3].value >>= value);
  EXPECT_EQ(42, value->data);
  host.shutdown();
}

TEST(PortProfileTest, PortsOfOtherTypesPublishTheirRepositoryIds)
{
  RTC::TimedDouble d{};
  RTC::TimedLongSeq ls{};
  RTC::TimedString s{};
  Host host{"H"};
  RTC::InPort<RTC::TimedDouble> dIn("d", d);
  RTC::OutPort<RTC::TimedLongSeq> lsOut("ls", ls);
  RTC::InPort<RTC::TimedString> sIn("s", s);
  host.addIn("d", dIn);
  host.addOut("ls", lsOut);
  host.addIn("s", sIn);

  RTC::PortProfile_var dp = dIn.getPortRef()->get_port_profile();
  RTC::PortProfile_var lsp = lsOut.getPortRef()->get_port_profile();
  RTC::PortProfile_var sp = sIn.getPortRef()->get_port_profile();

  EXPECT_EQ("IDL:RTC/TimedDouble:1.0", getString(dp->properties, "dataport.data_type"));
  EXPECT_EQ("IDL:RTC/TimedLongSeq:1.0", getString(lsp->properties, "dataport.data_type"));
  EXPECT_EQ("IDL:RTC/TimedString:1.0", getString(sp->properties, "dataport.data_type"));
  host.shutdown();
}

TEST(PortProfileTest, PortServantAdvertisesPortServiceInItsReference)
{
  LongPorts sut{"X"};

  EXPECT_TRUE(sut.in.getPortRef()->_is_a("IDL:omg.org/RTC/PortService:1.0"));
  EXPECT_TRUE(sut.in.getPortRef()->_is_a("IDL:org.omg/SDOPackage/SDOService:1.0"));
  EXPECT_STREQ("in", sut.in.getName());
  EXPECT_STREQ("out", sut.out.name());
}

TEST(PortProfileTest, APortRemovedAndRegisteredAgainServesUnderTheSameReference)
{
  LongPorts sut{"Again"};
  RTC::PortService_var before = RTC::PortService::_duplicate(sut.in.getPortRef());
  ASSERT_TRUE(sut.host.removeInPort(sut.in));
  EXPECT_TRUE(before->_non_existent());

  ASSERT_TRUE(sut.host.addInPort("in", sut.in));

  EXPECT_FALSE(before->_non_existent());
  RTC::PortProfile_var profile = before->get_port_profile();
  EXPECT_STREQ("Again.in", profile->name.in());
}
