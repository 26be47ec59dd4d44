#include "../../src/config/ComponentArgs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

  using rtm::config::ComponentArgs;

  struct AcceptedCase
  {
    const char* name;
    std::string arg;
    std::string implementationId, vendor, category, version;
    std::vector<std::pair<std::string, std::string>> props;
  };

  class ComponentArgsAccepted : public ::testing::TestWithParam<AcceptedCase>
  {};

  TEST_P(ComponentArgsAccepted, YieldsTheIdAndInstanceProperties)
  {
    const AcceptedCase& c = GetParam();
    ComponentArgs sut;
    std::string error;

    ASSERT_TRUE(rtm::config::parseComponentArgs(c.arg, sut, error)) << error;

    EXPECT_EQ(sut.implementationId, c.implementationId);
    EXPECT_EQ(sut.vendor, c.vendor);
    EXPECT_EQ(sut.category, c.category);
    EXPECT_EQ(sut.version, c.version);
    std::vector<std::pair<std::string, std::string>> props;
    for (const std::string& key : sut.instanceProps.propertyNames())
    {
      props.emplace_back(key, sut.instanceProps.getProperty(key));
    }
    EXPECT_EQ(props, c.props);
  }

  const AcceptedCase kAccepted[] = {
    {"BareImplementationId", "Trimul", "Trimul", "", "", "", {}},
    {"FullId", "RTC:Karvo:Category:Trimul:1.0.0", "Trimul", "Karvo", "Category", "1.0.0", {}},
    {"EmptyFieldsAreWildcards", "RTC:::Trimul:", "Trimul", "", "", "", {}},
    {"InstanceProperties",
     "Trimul?instance_name=foo&exec_cxt.periodic.rate=10",
     "Trimul",
     "",
     "",
     "",
     {{"instance_name", "foo"}, {"exec_cxt.periodic.rate", "10"}}},
    {"PropertiesAfterFullId",
     "RTC:Karvo::Trimul:?naming.formats=%n.rtc",
     "Trimul",
     "Karvo",
     "",
     "",
     {{"naming.formats", "%n.rtc"}}},
    {"PairsNotSplittingInTwoAreDropped", "Trimul?a=b=c&flag&=v&&e=f", "Trimul", "", "", "", {{"e", "f"}}},
    {"EmptyQuery", "Trimul?", "Trimul", "", "", "", {}},
  };

  INSTANTIATE_TEST_SUITE_P(Cases, ComponentArgsAccepted, ::testing::ValuesIn(kAccepted),
                           [](const ::testing::TestParamInfo<AcceptedCase>& param) { return param.param.name; });

  struct RefusedCase
  {
    const char* name;
    const char* args;
  };

  const RefusedCase kRefused[] = {
    {"TooFewFields", "RTC:Trimul"},
    {"TooManyFields", "RTC:a:b:Trimul:1.0:x"},
    {"FirstFieldIsNotRTC", "rtc:a:b:Trimul:1.0"},
    {"NoImplementationId", "RTC:a:b::1.0"},
    {"NothingAtAll", ""},
    {"PropertiesWithoutAType", "?instance_name=x"},
    {"MoreThanOneQuestionMark", "Trimul?a=1?b=2"},
  };

  class ComponentArgsRefused : public ::testing::TestWithParam<RefusedCase>
  {};

  TEST_P(ComponentArgsRefused, ReportsAnError)
  {
    ComponentArgs sut;
    std::string error;

    EXPECT_FALSE(rtm::config::parseComponentArgs(GetParam().args, sut, error));
    EXPECT_NE(error.find(GetParam().args), std::string::npos) << error;
  }

  INSTANTIATE_TEST_SUITE_P(Cases, ComponentArgsRefused, ::testing::ValuesIn(kRefused),
                           [](const ::testing::TestParamInfo<RefusedCase>& param) { return param.param.name; });

}  // namespace
