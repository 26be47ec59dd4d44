#include "client/Error.h"
#include "client/RtPath.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    const char* const kDefault = "localhost:2809";

    TEST(RtPathNamingService, LeadingSlashTakesTheFirstElementAsTheService)
    {
      const RtPath sut = RtPath::parse("/127.0.0.1:4000/vm.host_cxt/Trimul0.rtc", kDefault);
      EXPECT_EQ("127.0.0.1:4000", sut.server());
      EXPECT_EQ((std::vector<std::string>{"vm.host_cxt", "Trimul0.rtc"}), sut.names());
      EXPECT_FALSE(sut.hasPort());
    }

    TEST(RtPathNamingService, ServiceWithoutPortGetsTheNamingDefault)
    {
      EXPECT_EQ("example.org:2809", RtPath::parse("/example.org/a.b", kDefault).server());
    }

    TEST(RtPathNamingService, PathWithoutLeadingSlashLivesInTheDefaultService)
    {
      const RtPath sut = RtPath::parse("vm.host_cxt/Trimul0.rtc", "10.0.0.1:3000");
      EXPECT_EQ("10.0.0.1:3000", sut.server());
      EXPECT_EQ(2u, sut.names().size());
    }

    TEST(RtPathNamingService, EmptyAndDotMeanTheRoot)
    {
      EXPECT_TRUE(RtPath::parse("", kDefault).isRoot());
      EXPECT_TRUE(RtPath::parse(".", kDefault).isRoot());
      EXPECT_TRUE(RtPath::parse("/h:1/", kDefault).isRoot());
    }

    TEST(RtPathNamingService, MalformedServiceAddressesAreRefused)
    {
      EXPECT_THROW(RtPath::parse("//a.rtc", kDefault), UsageError);
      EXPECT_THROW(RtPath::parse("/host:port/a.rtc", kDefault), UsageError);
      EXPECT_THROW(RtPath::parse("/host:70000/a.rtc", kDefault), UsageError);
      EXPECT_THROW(RtPath::parse("/:2809/a.rtc", kDefault), UsageError);
    }

    TEST(RtPathPort, ColonInTheLastElementNamesThePort)
    {
      const RtPath sut = RtPath::parse("/localhost:2809/vm.host_cxt/Trimul0.rtc:x1", kDefault);
      EXPECT_EQ("x1", sut.port());
      EXPECT_EQ("Trimul0.rtc", sut.names().back());
      EXPECT_EQ("/localhost:2809/vm.host_cxt/Trimul0.rtc", sut.componentText());
    }

    TEST(RtPathPort, ColonOfTheServiceIsNoPort)
    {
      EXPECT_FALSE(RtPath::parse("/localhost:2809", kDefault).hasPort());
      EXPECT_FALSE(RtPath::parse("/localhost:2809/Trimul0.rtc", kDefault).hasPort());
    }

    TEST(RtPathPort, EmptyPortOrComponentIsRefused)
    {
      EXPECT_THROW(RtPath::parse("vm.host_cxt/Trimul0.rtc:", kDefault), UsageError);
      EXPECT_THROW(RtPath::parse("vm.host_cxt/:x1", kDefault), UsageError);
    }

    TEST(RtPathPort, RequirePortRefusesAComponentPath)
    {
      EXPECT_THROW(RtPath::parse("a.rtc", kDefault).requirePort(), UsageError);
      EXPECT_NO_THROW(RtPath::parse("a.rtc:in", kDefault).requirePort());
    }

    // The one line every verb that takes components or contexts gives for a port.
    TEST(RtPathPort, RequireNoPortRefusesAPortPathSayingWhatTheVerbTakes)
    {
      EXPECT_EQ("a.rtc", RtPath::parse("a.rtc", kDefault).requireNoPort("exit takes a component").text());
      try
      {
        RtPath::parse("a.rtc:in", kDefault).requireNoPort("exit takes a component");
        ADD_FAILURE() << "a port was taken for a component";
      }
      catch (const UsageError& e)
      {
        EXPECT_STREQ("'a.rtc:in' names a port; exit takes a component", e.what());
      }
    }

    TEST(RtPathElements, EmptyElementIsRefused)
    {
      EXPECT_THROW(RtPath::parse("a.host_cxt//b.rtc", kDefault), UsageError);
    }

    TEST(RtPathElements, ChildKeepsTheServiceAndAppendsOneName)
    {
      const RtPath sut = RtPath::parse("/h:1/ctx.host_cxt", kDefault).child("Trimul0.rtc");
      EXPECT_EQ("/h:1/ctx.host_cxt/Trimul0.rtc", sut.text());
      EXPECT_EQ("h:1", sut.server());
      EXPECT_EQ(2u, sut.names().size());
      EXPECT_EQ("x.rtc", RtPath::parse("", kDefault).child("x.rtc").text());
    }
  }
}
