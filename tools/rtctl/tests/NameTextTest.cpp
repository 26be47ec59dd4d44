// Bound names as the tools read them: which text names its binding again, and how a name that
// does not is shown on one line.
#include "client/NameText.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    CosNaming::NameComponent bound(const std::string& id, const std::string& kind)
    {
      CosNaming::NameComponent component;
      component.id = CORBA::string_dup(id.c_str());
      component.kind = CORBA::string_dup(kind.c_str());
      return component;
    }

    TEST(NameText, OnlyANameWhoseTextNamesItAgainIsFollowed)
    {
      const struct
      {
        std::string id, kind;
        bool odd;
      } cases[] = {
        {"Trimul0", "rtc", false},
        {"my.host.example", "host_cxt", false},
        {"plain", "", false},
        {"caf\xc3\xa9", "rtc", false},
        {"a/b", "", true},
        {"..", "", true},
        {".", "", true},
        {"x", "rtc/..", true},
        {"Trimul0", "rtc:x1", true},
        {"\xff", "", true},
        {"\xc0\xaf", "rtc", true},  // an overlong '/'
        {"tab\there", "rtc", true},
        {"1.2", "", true},  // reads back as id "1", kind "2"
        {"", "", true},
      };
      for (const auto& c : cases)
        EXPECT_EQ(c.odd, !NameText::oddity(bound(c.id, c.kind)).empty()) << NameText::printable(c.id + "." + c.kind);
    }

    TEST(NameText, ANameIsShownOnOneLineWhateverItsBytes)
    {
      EXPECT_EQ("caf\xc3\xa9.rtc", NameText::printable("caf\xc3\xa9.rtc"));
      EXPECT_EQ("\\xff\\x0a\\x5c.rtc", NameText::printable("\xff\n\\.rtc"));
    }

    TEST(NameText, KindsAreTheLastDottedPartWithAnIdBeforeIt)
    {
      EXPECT_TRUE(NameText::isComponent("Trimul0.rtc"));
      EXPECT_FALSE(NameText::isComponent(".rtc"));
      EXPECT_FALSE(NameText::isComponent("Trimul0.rtcx"));
      EXPECT_TRUE(NameText::isManager("manager.mgr"));
      EXPECT_TRUE(NameText::isHostContext("vm.host_cxt"));
      EXPECT_FALSE(NameText::isHostContext("host_cxt"));
    }
  }
}
