#include "../../src/config/NamingFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace
{

  coil::Properties componentProps()
  {
    coil::Properties props;
    props.setProperty("instance_name", "Trimul0");
    props.setProperty("type_name", "TrimulType");
    props.setProperty("implementation_id", "Trimul");
    props.setProperty("version", "1.0.0");
    props.setProperty("vendor", "Karvo");
    props.setProperty("category", "Category");
    props.setProperty("os.hostname", "node1.example");
    props.setProperty("manager.name", "manager");
    props.setProperty("manager.pid", "4242");
    return props;
  }

  struct ExpandCase
  {
    const char* name;
    std::string format;
    std::string expected;
  };

  class NamingFormatExpansion : public ::testing::TestWithParam<ExpandCase>
  {
  protected:
    static void SetUpTestSuite() { ::setenv("TRIMUL_NAMING_TEST", "ctx", 1); }
    static void TearDownTestSuite() { ::unsetenv("TRIMUL_NAMING_TEST"); }
  };

  TEST_P(NamingFormatExpansion, ExpandsToTheExpectedName)
  {
    EXPECT_EQ(rtm::config::expandNamingFormat(GetParam().format, componentProps()), GetParam().expected);
  }

  const ExpandCase kCases[] = {
    {"DefaultComponentFormat", "%h.host_cxt/%n.rtc", "node1.example.host_cxt/Trimul0.rtc"},
    {"DefaultManagerFormat", "%h.host_cxt/%M.mgr", "node1.example.host_cxt/manager.mgr"},
    {"TypeNameHasTwoEscapes", "%t-%m", "TrimulType-TrimulType"},
    {"ProfileFields", "%V/%c/%i/%v", "Karvo/Category/Trimul/1.0.0"},
    {"InstanceNumber", "%i_%N", "Trimul_0"},
    {"ProcessId", "rtc%p", "rtc4242"},
    {"LiteralPercent", "100%%/%n", "100%/Trimul0"},
    {"UnknownEscapeKeptAsWritten", "%z%n", "%zTrimul0"},
    {"TrailingPercentKept", "%n%", "Trimul0%"},
    {"BraceEnvironmentVariable", "${TRIMUL_NAMING_TEST}.cxt/%n", "ctx.cxt/Trimul0"},
    {"ParenEnvironmentVariable", "$(TRIMUL_NAMING_TEST)/%n", "ctx/Trimul0"},
    {"UnsetVariableIsEmpty", "${TRIMUL_NAMING_UNSET_VARIABLE}/%n", "/Trimul0"},
    {"UnterminatedVariableKeptAsWritten", "${TRIMUL_NAMING_TEST/%n", "${TRIMUL_NAMING_TEST/Trimul0"},
    {"DollarAloneKept", "a$b", "a$b"},
  };

  INSTANTIATE_TEST_SUITE_P(Cases, NamingFormatExpansion, ::testing::ValuesIn(kCases),
                           [](const ::testing::TestParamInfo<ExpandCase>& param) { return param.param.name; });

  TEST(NamingFormat, InstanceNumberIsTheWholeNameWhenItDoesNotStartWithTheType)
  {
    coil::Properties props = componentProps();
    props.setProperty("instance_name", "custom");

    EXPECT_EQ(rtm::config::expandNamingFormat("%N", props), "custom");
  }

  TEST(NamingFormat, SeveralFormatsAreTrimmedExpandedAndDeduplicatedInOrder)
  {
    const std::vector<std::string> sut =
      rtm::config::namingNames(" %n.rtc , %h.host_cxt/%n.rtc,, Trimul0.rtc ,%i%N.rtc", componentProps());

    EXPECT_EQ(sut, (std::vector<std::string>{"Trimul0.rtc", "node1.example.host_cxt/Trimul0.rtc"}));
  }

}  // namespace
