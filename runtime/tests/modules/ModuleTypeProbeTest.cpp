// Learning a module's component types in a helper process: what the manager makes of each way a
// helper can answer (a report, silence, a flood, a failure, a crash, no helper at all), and that
// the cache starts a helper once per version of a module file. The helpers here are shell
// scripts standing in for `rtcd --module-types`; rtcd itself is run by the daemon's tests.
#include "manager/ModuleTypeCache.h"
#include "manager/ModuleTypeProbe.h"
#include "manager/ModuleTypeReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace
{
  class ModuleTypeHelpers : public ::testing::Test
  {
  protected:
    ModuleTypeHelpers()
    {
      char pattern[] = "/tmp/trimul-helpers.XXXXXX";
      root = fs::canonical(::mkdtemp(pattern)).string();
      module = root + "/Some.so";
      std::ofstream(module) << "stands for a module\n";
    }
    ~ModuleTypeHelpers() override { fs::remove_all(root); }

    // A helper that runs `body` (sh) with the module's path as $2.
    std::string helper(const std::string& name, const std::string& body)
    {
      const std::string path = root + "/" + name;
      std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
      fs::permissions(path, fs::perms::owner_all);
      return path;
    }

    std::string root;
    std::string module;
  };

  TEST_F(ModuleTypeHelpers, EachAnswerOfAHelperIsTypesOrOneLineSayingWhyNot)
  {
    const struct
    {
      const char* what;
      std::string body;
      const char* types;  // implementation ids joined by ',', or what the error holds
      bool learned;
    } cases[] = {
      {"a report, with a type lacking its id",
       "echo \"0.implementation_id: A\"; echo \"0.called: $1 $2\";"
       " echo '1.type_name: NoId'; echo '2.implementation_id: C'",
       "A,C", true},
      {"a module that registers nothing", "exit 0", "", true},
      {"a helper that never answers", "exec sleep 30", "took longer than 500 ms", false},
      {"a helper that floods", "yes 0.implementation_id: A", "printed more than 4096 bytes", false},
      {"a module that does not load", "echo 'partial output'; exit 3", "does not load", false},
      {"a module that crashes the helper", "kill -SEGV $$", "signal", false},
      {"something else than a report", "echo hello", "no profile: 'hello'", false},
    };
    for (const auto& c : cases)
    {
      SCOPED_TRACE(c.what);
      const rtm::ModuleTypeProbe sut(helper("helper", c.body), {500ms, 4096});
      std::vector<coil::Properties> types;
      std::string error;
      ASSERT_EQ(c.learned, sut.run(module, types, error)) << error;
      if (!c.learned)
      {
        EXPECT_NE(std::string::npos, error.find(c.types)) << error;
        EXPECT_EQ(std::string::npos, error.find('\n')) << error;
        continue;
      }
      std::string ids;
      for (const coil::Properties& type : types)
        ids += (ids.empty() ? "" : ",") + type.getProperty("implementation_id");
      EXPECT_EQ(c.types, ids);
      if (!types.empty())
        EXPECT_EQ("--module-types " + module, types[0].getProperty("called"));
    }
  }

  TEST_F(ModuleTypeHelpers, WithoutAHelperNothingIsLearnedAndTheCallerHearsWhy)
  {
    for (const std::string& missing : {std::string(), root + "/no-such-rtcd"})
    {
      const rtm::ModuleTypeProbe sut(missing);
      std::vector<coil::Properties> types;
      std::string error;
      EXPECT_FALSE(sut.run(module, types, error));
      EXPECT_FALSE(error.empty());
    }
  }

  TEST_F(ModuleTypeHelpers, AModuleIsAskedOnceUntilItsFileChangesAndAFailureIsRememberedToo)
  {
    // Each run leaves a line in runs.log; the report names the module's current content.
    const std::string runs = root + "/runs.log";
    rtm::ModuleTypeCache sut(rtm::ModuleTypeProbe(
      helper("helper", "echo run >> " + runs + "; echo \"0.implementation_id: $(head -n 1 $2 | cut -d ' ' -f 1)\"")));
    auto ids = [&](const std::string& path) {
      std::string out;
      for (const coil::Properties& type : sut.typesOf(path))
        out += type.getProperty("implementation_id");
      return out;
    };
    EXPECT_EQ("stands", ids(module));
    EXPECT_EQ("stands", ids(module));
    EXPECT_EQ(1u, sut.probesRun());

    std::ofstream(module) << "replaced by a new build\n";
    EXPECT_EQ("replaced", ids(module));
    EXPECT_EQ(2u, sut.probesRun());

    const std::string broken = root + "/Broken.so";
    std::ofstream(broken) << "\n";  // the helper's report has an empty id: no type
    EXPECT_EQ("", ids(broken));
    EXPECT_EQ("", ids(broken));
    EXPECT_EQ(3u, sut.probesRun());
    EXPECT_EQ("", ids(root + "/Gone.so"));
    EXPECT_EQ(3u, sut.probesRun()) << "a file that is not there is not asked about";
    std::ifstream log(runs);
    EXPECT_EQ(3, std::count(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>(), '\n'))
      << "one helper process a probe";
  }

  TEST(ModuleTypeReports, TypesSurviveTheReportAndAnythingElseIsRefused)
  {
    coil::Properties trimul;
    trimul.setProperty("implementation_id", "Trimul");
    trimul.setProperty("description", "x: y\nwith a line break\\");
    trimul.setProperty("conf.default.gain", " 2 ");
    trimul.setProperty("conf", "a value on a key that has keys below it");
    std::vector<coil::Properties> types;
    std::string error;
    ASSERT_TRUE(rtm::ModuleTypeReport::read(rtm::ModuleTypeReport::write({trimul, trimul}), types, error)) << error;
    ASSERT_EQ(2u, types.size());
    for (const char* key : {"implementation_id", "description", "conf.default.gain", "conf"})
      EXPECT_EQ(trimul.getProperty(key), types[1].getProperty(key)) << key;

    const std::vector<std::string> refusals = {"implementation_id: A",
                                               "64.implementation_id: A",
                                               "x.implementation_id: A",
                                               ".implementation_id: A",
                                               "0.: A",
                                               "1" + std::string(40, '.') + "a: b"};
    for (const std::string& refused : refusals)
      EXPECT_FALSE(rtm::ModuleTypeReport::read(refused, types, error)) << refused;
  }
}
