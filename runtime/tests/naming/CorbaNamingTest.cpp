// CorbaNaming, the middleware's naming client for programs without a manager, against a real
// private omniNames.
#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"

#include <rtm/CorbaNaming.h>

#include <gtest/gtest.h>

TEST(CorbaNaming, NamesAreSplitIntoIdAndKindWithoutCallingTheService)
{
  RTC::CorbaNaming sut(testsupport::testOrb());
  struct Case
  {
    const char* text;
    CORBA::ULong parts;
    const char* lastId;
    const char* lastKind;
  };
  const Case cases[] = {{"a.host_cxt/b.c.rtc", 2, "b.c", "rtc"}, {"plain", 1, "plain", ""}, {"x./y", 2, "y", ""}};
  for (const Case& c : cases)
  {
    const CosNaming::Name name = sut.toName(c.text);
    ASSERT_EQ(name.length(), c.parts) << c.text;
    EXPECT_STREQ(name[c.parts - 1].id, c.lastId) << c.text;
    EXPECT_STREQ(name[c.parts - 1].kind, c.lastKind) << c.text;
  }
  for (const char* text : {"a.host_cxt/b.c.rtc", "a.b./x", "./.kind"})
    EXPECT_EQ(sut.toString(sut.toName(text)), text);
  for (const char* bad : {"", "a//b", "a/", "/a"})
    EXPECT_THROW(sut.toName(bad), RTC::CorbaNaming::InvalidName) << bad;
}

TEST(CorbaNaming, BindingByStringMakesTheContextsOnTheWayAndResolvesBack)
{
  testsupport::NameServer ns;
  RTC::CorbaNaming sut(testsupport::testOrb(), ns.address().c_str());
  CosNaming::NamingContext_var target = sut.newContext();
  sut.bindByString("deep.host_cxt/sub/Thing0.rtc", target.in());
  CORBA::Object_var found = sut.resolve("deep.host_cxt/sub/Thing0.rtc");
  EXPECT_TRUE(found->_is_equivalent(target.in()));
  CORBA::Object_var context = sut.resolve("deep.host_cxt");
  EXPECT_TRUE(sut.isNamingContext(context.in()));

  EXPECT_THROW(sut.bindByString("deep.host_cxt/sub/Thing0.rtc", target.in()), RTC::CorbaNaming::AlreadyBound);
  sut.rebindByString("deep.host_cxt/sub/Thing0.rtc", context.in());
  found = sut.resolve("deep.host_cxt/sub/Thing0.rtc");
  EXPECT_TRUE(found->_is_equivalent(context.in()));
  EXPECT_THROW(sut.bindByString("none.host_cxt/x.rtc", target.in(), false), RTC::CorbaNaming::NotFound);

  sut.unbind("deep.host_cxt/sub/Thing0.rtc");
  EXPECT_THROW(found = sut.resolve("deep.host_cxt/sub/Thing0.rtc"), RTC::CorbaNaming::NotFound);
}
