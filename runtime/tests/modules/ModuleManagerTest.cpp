// Which file a module name leads to, and what opening one that is not a usable module says,
// on a folder tree made for each test.
#include "manager/ModuleManager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace
{
  class ModuleFiles : public ::testing::Test
  {
  protected:
    // lib/     Alpha.so  Beta (no suffix)  sub/Delta.so  Escape.so -> ../outside/Evil.so  notes.txt
    // other/   Alpha.so (hidden by lib's)  Omega.so
    // outside/ Evil.so
    ModuleFiles()
    {
      char pattern[] = "/tmp/trimul-modules.XXXXXX";
      root = fs::canonical(::mkdtemp(pattern)).string();
      for (const char* file : {"lib/Alpha.so", "lib/Beta", "lib/sub/Delta.so", "lib/notes.txt", "other/Alpha.so",
                               "other/Omega.so", "outside/Evil.so"})
      {
        fs::create_directories(fs::path(root + "/" + file).parent_path());
        std::ofstream(root + "/" + file) << "not a shared object\n";
      }
      fs::create_symlink("../outside/Evil.so", root + "/lib/Escape.so");
    }
    ~ModuleFiles() override { fs::remove_all(root); }

    rtm::ModuleManager manager(bool absPathAllowed)
    {
      coil::Properties config;
      config.setProperty("manager.modules.load_path", root + "/lib, " + root + "/other");
      config.setProperty("manager.modules.abs_path_allowed", absPathAllowed ? "YES" : "NO");
      return rtm::ModuleManager(config);
    }

    std::string root;
  };

  struct Case
  {
    const char* file;  // "@" stands for the test's folder
    bool absPathAllowed;
    RTC::ReturnCode_t expected;
    const char* resolvesTo;  // relative to the test's folder, or a piece of the error
  };

  std::string expand(const std::string& text, const std::string& root)
  {
    return text.empty() || text[0] != '@' ? text : root + text.substr(1);
  }

  TEST_F(ModuleFiles, ANameResultsInTheFileTheLoadPathAndThePolicyAllow)
  {
    const Case cases[] = {
      {"Alpha.so", true, RTC::RTC_OK, "@/lib/Alpha.so"},
      {"Alpha", true, RTC::RTC_OK, "@/lib/Alpha.so"},
      {"Beta", true, RTC::RTC_OK, "@/lib/Beta"},
      {"sub/Delta", false, RTC::RTC_OK, "@/lib/sub/Delta.so"},
      {"Omega", false, RTC::RTC_OK, "@/other/Omega.so"},
      {"../outside/Evil.so", true, RTC::RTC_OK, "@/outside/Evil.so"},
      {"../outside/Evil.so", false, RTC::BAD_PARAMETER, "outside the load path"},
      {"Escape.so", true, RTC::RTC_OK, "@/outside/Evil.so"},
      {"Escape.so", false, RTC::BAD_PARAMETER, "outside the load path"},
      {"@/outside/Evil", true, RTC::RTC_OK, "@/outside/Evil.so"},
      {"@/lib/Alpha.so", false, RTC::BAD_PARAMETER, "absolute paths are not allowed"},
      {"@/outside/Missing.so", true, RTC::BAD_PARAMETER, "no such file"},
      {"Missing", true, RTC::BAD_PARAMETER, "not found in the load path"},
      {"notes", true, RTC::BAD_PARAMETER, "not found"},
      {"", true, RTC::BAD_PARAMETER, "no module file"},
    };
    for (const Case& c : cases)
    {
      SCOPED_TRACE(std::string(c.file) + (c.absPathAllowed ? " (absolute paths allowed)" : ""));
      const rtm::ModuleManager sut = manager(c.absPathAllowed);
      std::string path, error;
      EXPECT_EQ(sut.resolve(expand(c.file, root), path, error), c.expected);
      if (c.expected == RTC::RTC_OK)
        EXPECT_EQ(path, expand(c.resolvesTo, root)) << error;
      else
        EXPECT_NE(error.find(c.resolvesTo), std::string::npos) << error;
    }
  }

  TEST_F(ModuleFiles, LoadableModulesAreTheSharedObjectsALoadByNameWouldOpen)
  {
    std::vector<std::string> allowed, strict;
    for (const auto& loadable : manager(true).loadableFiles())
      allowed.push_back(loadable.fileName + " " + loadable.filePath.substr(root.size()));
    for (const auto& loadable : manager(false).loadableFiles())
      strict.push_back(loadable.fileName + " " + loadable.filePath.substr(root.size()));

    EXPECT_EQ(allowed, (std::vector<std::string>{"Alpha.so /lib/Alpha.so", "Escape.so /outside/Evil.so",
                                                 "Omega.so /other/Omega.so"}));
    EXPECT_EQ(strict, (std::vector<std::string>{"Alpha.so /lib/Alpha.so", "Omega.so /other/Omega.so"}));
    EXPECT_EQ(manager(true).findLoadable("Omega"), root + "/other/Omega.so");
    EXPECT_EQ(manager(true).findLoadable("Beta"), "");
  }

  TEST_F(ModuleFiles, AFileThatIsNoModuleFailsToOpenWithTheLinkersWordsAndNothingIsKept)
  {
    rtm::ModuleManager sut = manager(true);
    rtm::ModuleManager::Module module;
    rtm::ModuleManager::InitFunc init = nullptr;
    std::string error;

    EXPECT_EQ(sut.open(root + "/lib/Alpha.so", "", module, init, error), RTC::RTC_ERROR);

    EXPECT_NE(error.find("cannot load module '" + root + "/lib/Alpha.so': "), std::string::npos) << error;
    EXPECT_FALSE(module.handle);
    EXPECT_EQ(init, nullptr);
    EXPECT_TRUE(sut.loaded().empty());
  }

  TEST(ModuleInitFunction, DefaultsToTheFileBaseNameFollowedByInit)
  {
    EXPECT_EQ(rtm::ModuleManager::defaultInitFunc("/opt/rtc/Trimul.so"), "TrimulInit");
    EXPECT_EQ(rtm::ModuleManager::defaultInitFunc("Beta"), "BetaInit");
  }
}
