// NVUtil and CORBA_SeqUtil as component and tool sources use them on profiles' property lists.
#include "testsupport/NamingClient.h"

#include <rtm/CORBA_SeqUtil.h>
#include <rtm/NVUtil.h>

#include <gtest/gtest.h>

namespace
{
  // Strings in an Any are marshalled with the ORB's code set: there is always an ORB where
  // these lists are used.
  bool orbReady() { return !CORBA::is_nil(testsupport::testOrb()); }

  struct NameIs
  {
    explicit NameIs(const char* n) : name(n) {}
    bool operator()(const SDOPackage::NameValue& nv) const { return name == static_cast<const char*>(nv.name); }
    std::string name;
  };
}

TEST(NVUtil, ListsConvertToAndFromPropertiesAndAnswerByName)
{
  ASSERT_TRUE(orbReady());
  coil::Properties prop;
  prop.setProperty("dataport.interface_type", "corba_cdr");
  prop.setProperty("dataport.dataflow_type", "push");
  SDOPackage::NVList sut;
  NVUtil::copyFromProperties(sut, prop);
  CORBA_SeqUtil::push_back(sut, NVUtil::newNV("number", CORBA::Long(7)));
  ASSERT_EQ(sut.length(), 3u);

  EXPECT_EQ(NVUtil::find_index(sut, "dataport.dataflow_type"), 1);
  EXPECT_EQ(NVUtil::find_index(sut, "missing"), -1);
  EXPECT_TRUE(NVUtil::isString(sut, "dataport.interface_type"));
  EXPECT_FALSE(NVUtil::isString(sut, "number"));
  EXPECT_FALSE(NVUtil::isString(sut, "missing"));
  EXPECT_TRUE(NVUtil::isStringValue(sut, "dataport.dataflow_type", "push"));
  EXPECT_EQ(NVUtil::toString(sut, "number"), "");
  CORBA::Long number = 0;
  EXPECT_TRUE(NVUtil::find(sut, "number") >>= number);
  EXPECT_EQ(number, 7);
  EXPECT_EQ(NVUtil::find(sut, "missing").type()->kind(), CORBA::tk_null);

  EXPECT_TRUE(NVUtil::appendStringValue(sut, "dataport.dataflow_type", "pull"));
  EXPECT_TRUE(NVUtil::appendStringValue(sut, "dataport.dataflow_type", "push"));
  EXPECT_EQ(NVUtil::toString(sut, "dataport.dataflow_type"), "push,pull");
  EXPECT_FALSE(NVUtil::appendStringValue(sut, "number", "x"));
  EXPECT_TRUE(NVUtil::appendStringValue(sut, "fresh", "v"));

  const coil::Properties back = NVUtil::toProperties(sut);
  EXPECT_EQ(back.getProperty("dataport.interface_type"), "corba_cdr");
  EXPECT_EQ(back.getProperty("number"), "") << "a value that is not a string is skipped";
  EXPECT_EQ(NVUtil::toString(sut).find("dataport.interface_type: corba_cdr\n"), 0u);
}

TEST(CORBA_SeqUtil, SequencesInsertEraseAndFindLikeContainers)
{
  ASSERT_TRUE(orbReady());
  SDOPackage::NVList sut;
  for (const char* name : {"a", "c"})
    CORBA_SeqUtil::push_back(sut, NVUtil::newNV(name, "v"));
  SDOPackage::NameValue b = NVUtil::newNV("b", "v");
  CORBA_SeqUtil::insert(sut, b, 1);
  SDOPackage::NameValue z = NVUtil::newNV("z", "v");
  CORBA_SeqUtil::insert(sut, z, 99);
  ASSERT_EQ(sut.length(), 4u);
  EXPECT_STREQ(sut[1].name, "b");
  EXPECT_STREQ(sut[3].name, "z");
  EXPECT_EQ(CORBA_SeqUtil::find(sut, NameIs("c")), 2);
  EXPECT_EQ(CORBA_SeqUtil::find(sut, NameIs("none")), -1);

  CORBA_SeqUtil::erase_if(sut, NameIs("b"));
  CORBA_SeqUtil::erase(sut, 99);
  ASSERT_EQ(sut.length(), 3u);
  EXPECT_STREQ(sut[1].name, "c");

  SDOPackage::NVList more;
  CORBA_SeqUtil::push_back(more, NVUtil::newNV("m", "v"));
  CORBA_SeqUtil::push_back_list(sut, more);
  EXPECT_STREQ(sut[3].name, "m");
  CORBA_SeqUtil::clear(sut);
  EXPECT_EQ(sut.length(), 0u);
}
