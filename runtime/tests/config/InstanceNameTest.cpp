// Which names may become a component's instance name or a naming path, and which settings a
// manager refuses to start with because of them.
#include "../../src/config/InstanceName.h"
#include "../../src/config/ManagerConfig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

  struct NameCase
  {
    const char* what;
    std::string name;
    const char* problem;  // a piece of the refusal; "" when accepted
  };

  void expectProblems(const std::vector<NameCase>& cases, std::string (*problemOf)(const std::string&))
  {
    for (const NameCase& c : cases)
    {
      SCOPED_TRACE(c.what);
      const std::string problem = problemOf(c.name);
      if (*c.problem == '\0')
      {
        EXPECT_EQ(problem, "");
      }
      else
      {
        EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
      }
    }
  }

  TEST(InstanceName, OnlyNamesThatCannotLeaveTheirNamingContextAreAccepted)
  {
    const std::vector<NameCase> cases = {
      {"a generated name", "Trimul0", ""},
      {"dots inside", "a.b..c", ""},
      {"UTF-8 letters", "\xc3\xa9t\xc3\xa9-\xe6\x97\xa5\xf0\x9f\x98\x80", ""},
      {"the longest allowed", std::string(255, 'x'), ""},
      {"empty", "", "empty"},
      {"one byte too long", std::string(256, 'x'), "longer than 255"},
      {"dot", ".", "'.'"},
      {"dot dot", "..", "'..'"},
      {"a path up", "../../x", "'/'"},
      {"a path down", "a/b/c", "'/'"},
      {"a backslash", "a\\b", "'\\'"},
      {"a line break", "a\nb", "control character"},
      {"DEL", "a\x7f", "control character"},
      {"a C1 control in UTF-8", "a\xc2\x85", "control character"},
      {"a stray continuation byte", "a\x80", "UTF-8"},
      {"Latin-1", "caf\xe9", "UTF-8"},
      {"an overlong slash", "a\xc0\xaf", "UTF-8"},
      {"a surrogate", "\xed\xa0\x80", "UTF-8"},
      {"beyond U+10FFFF", "\xf4\x90\x80\x80", "UTF-8"},
      {"a truncated sequence", "a\xe6\x97", "UTF-8"},
    };
    expectProblems(cases, rtm::config::instanceNameProblem);
  }

  TEST(NamingName, EveryElementMustBeANameOfItsOwn)
  {
    const std::vector<NameCase> cases = {
      {"the usual", "host.host_cxt/Trimul0.rtc", ""},
      {"one element", "Trimul0.rtc", ""},
      {"an element up", "host.host_cxt/../x.rtc", "'..'"},
      {"an element here", "./x.rtc", "'.'"},
      {"an empty element", "a//b.rtc", "empty"},
      {"a leading slash", "/x.rtc", "empty"},
      {"a trailing slash", "host.host_cxt/", "empty"},
      {"a control character", "host\t/x.rtc", "control character"},
      {"not UTF-8", "h\xff/x.rtc", "UTF-8"},
    };
    expectProblems(cases, rtm::config::namingNameProblem);
  }

  TEST(NameSettings, AManagerRefusesToStartWithANameOrFormatThatCannotBeBound)
  {
    struct SettingCase
    {
      const char* key;
      const char* value;
      const char* problem;  // a piece of the one line; "" when accepted
    };
    const SettingCase cases[] = {
      {"naming.formats", "%h.host_cxt/%n.rtc", ""},
      {"naming.formats", "%n.rtc,%h.host_cxt/%n.rtc", ""},
      {"naming.formats", "%h.host_cxt/../%n.rtc", "naming.formats: '%h.host_cxt/../%n.rtc' expands to"},
      {"naming.formats", "${TRIMUL_SURELY_UNSET}/%n.rtc", "empty"},
      {"Category.Trimul.naming.formats", "./%n.rtc", "Category.Trimul.naming.formats"},
      {"manager.naming_formats", "%h.host_cxt/%n.mgr", ""},
      {"manager.instance_name", "..", "manager.instance_name: instance name '..'"},
      {"Category.Trimul.instance_name", "a/b", "Category.Trimul.instance_name"},
      {"Category.Trimul.instance_name", "line\nbreak", "'line\\x0abreak'"},
    };
    for (const SettingCase& c : cases)
    {
      SCOPED_TRACE(std::string(c.key) + ": " + c.value);
      coil::Properties config = rtm::config::defaultManagerConfig();
      config.setProperty("os.hostname", "host");
      config.setProperty(c.key, c.value);
      const std::string problem = rtm::config::nameSettingsProblem(config);
      if (*c.problem == '\0')
      {
        EXPECT_EQ(problem, "");
      }
      else
      {
        EXPECT_EQ(problem.rfind(c.key, 0), 0u) << "the line names the setting first: " << problem;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
        EXPECT_EQ(problem.find('\n'), std::string::npos) << problem;
      }
    }
  }

}  // namespace
