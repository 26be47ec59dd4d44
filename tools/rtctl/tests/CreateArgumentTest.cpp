#include "client/Error.h"
#include "commands/CreateArgument.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    using Pairs = std::vector<std::pair<std::string, std::string>>;

    TEST(CreateArgument, TypeAndPropertiesAreReadAsTheManagerReadsThem)
    {
      struct Case
      {
        const char* text;
        const char* implementationId;
        Pairs properties;
      };
      const Case cases[] = {
        {"Trimul", "Trimul", {}},
        {"Trimul?", "Trimul", {}},
        {"RTC:Karvo:Category:Trimul:1.0.0", "Trimul", {}},
        {"RTC:::Trimul:", "Trimul", {}},
        {"Trimul?instance_name=fast&exec_cxt.periodic.rate=200",
         "Trimul",
         {{"instance_name", "fast"}, {"exec_cxt.periodic.rate", "200"}}},
        {"Trimul?a=&&b=2&", "Trimul", {{"a", ""}, {"b", "2"}}},
        {"Trimul?naming.formats=%h.host_cxt/%n.rtc", "Trimul", {{"naming.formats", "%h.host_cxt/%n.rtc"}}},
      };
      for (const Case& c : cases)
      {
        SCOPED_TRACE(c.text);
        const CreateArgument sut = CreateArgument::parse(c.text);
        EXPECT_EQ(c.implementationId, sut.implementationId());
        EXPECT_EQ(c.properties, sut.properties());
      }
    }

    // Each of these the manager would drop in part or refuse without a reason.
    TEST(CreateArgument, PropertiesTheManagerWouldDropAreRefused)
    {
      for (const char* text : {"", "?a=b", "Trimul?a=b?c=d", "Trimul?a", "Trimul?a=b=c", "Trimul?=v", "Trimul?a=1&b",
                               "RTC:Trimul", "RTC:a:b:Trimul", "RTC:a:b:Trimul:1:x", "XYZ:a:b:Trimul:1", "RTC::::"})
      {
        SCOPED_TRACE(text);
        EXPECT_THROW(CreateArgument::parse(text), UsageError);
      }
    }
  }
}
