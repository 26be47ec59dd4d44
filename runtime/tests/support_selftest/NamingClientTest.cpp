#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"

#include <gtest/gtest.h>

#include <memory>

using testsupport::NameServer;
using testsupport::NamingClient;
using testsupport::testOrb;

TEST(NamingClientPath, LastDotSeparatesIdFromKindSoDottedHostsKeepTheirDots)
{
  const CosNaming::Name sut = NamingClient::toName("my.host.example.host_cxt/Trimul0.rtc");

  ASSERT_EQ(sut.length(), 2u);
  EXPECT_STREQ(sut[0].id, "my.host.example");
  EXPECT_STREQ(sut[0].kind, "host_cxt");
  EXPECT_STREQ(sut[1].id, "Trimul0");
  EXPECT_STREQ(sut[1].kind, "rtc");
}

TEST(NamingClientPath, PartWithoutDotHasEmptyKindAndStraySlashesAreIgnored)
{
  const CosNaming::Name sut = NamingClient::toName("/plain//x.rtc/");

  ASSERT_EQ(sut.length(), 2u);
  EXPECT_STREQ(sut[0].id, "plain");
  EXPECT_STREQ(sut[0].kind, "");
  EXPECT_EQ(NamingClient::toString(sut[0]), "plain");
  EXPECT_EQ(NamingClient::toString(sut[1]), "x.rtc");
}

class NamingClientTest : public ::testing::Test
{
protected:
  // One service for the suite, emptied before each test: cheaper than a start per test, and it
  // exercises restart(false) the way other suites will use it.
  static void SetUpTestSuite() { ns_ = std::make_unique<NameServer>(); }
  static void TearDownTestSuite() { ns_.reset(); }
  void SetUp() override { ns_->restart(false); }

  static std::unique_ptr<NameServer> ns_;
};
std::unique_ptr<NameServer> NamingClientTest::ns_;

TEST_F(NamingClientTest, BindingCreatesHostContextAndResolvesByPath)
{
  NamingClient sut(testOrb(), ns_->corbaloc());
  CORBA::Object_var object = testOrb()->string_to_object(ns_->corbaloc().c_str());

  ASSERT_TRUE(sut.bind("my.host.host_cxt/Trimul0.rtc", object));

  CORBA::Object_var resolved = sut.resolve("my.host.host_cxt/Trimul0.rtc");
  ASSERT_FALSE(CORBA::is_nil(resolved));
  EXPECT_TRUE(resolved->_is_equivalent(object));
  EXPECT_EQ(sut.list(), std::vector<std::string>{"my.host.host_cxt"});
  EXPECT_EQ(sut.list("my.host.host_cxt"), std::vector<std::string>{"Trimul0.rtc"});
}

TEST_F(NamingClientTest, RebindingSameNameOverwritesStaleBinding)
{
  NamingClient sut(testOrb(), ns_->corbaloc());
  CORBA::Object_var object = testOrb()->string_to_object(ns_->corbaloc().c_str());
  ASSERT_TRUE(sut.bind("h.host_cxt/A.rtc", object));

  EXPECT_TRUE(sut.bind("h.host_cxt/A.rtc", object));
  EXPECT_EQ(sut.list("h.host_cxt"), std::vector<std::string>{"A.rtc"});
}

TEST_F(NamingClientTest, UnboundNameResolvesToNilAndUnbindRemovesOnlyLeaf)
{
  NamingClient sut(testOrb(), ns_->corbaloc());
  CORBA::Object_var object = testOrb()->string_to_object(ns_->corbaloc().c_str());
  ASSERT_TRUE(sut.bind("h.host_cxt/A.rtc", object));

  EXPECT_TRUE(sut.unbind("h.host_cxt/A.rtc"));

  EXPECT_FALSE(sut.isBound("h.host_cxt/A.rtc"));
  EXPECT_TRUE(sut.isBound("h.host_cxt"));
  EXPECT_TRUE(sut.list("h.host_cxt").empty());
  EXPECT_FALSE(sut.unbind("h.host_cxt/A.rtc"));
  EXPECT_TRUE(sut.list("no.host_cxt").empty());
}
