// Which file a module name leads to, and what opening one that is not a usable module says,
// on a folder tree made for each test; and what the ELF reader makes of a library cut short.
#include "manager/ElfReader.h"
#include "manager/ModuleManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

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
      {"sub", true, RTC::BAD_PARAMETER, "not a regular file"},
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

  TEST_F(ModuleFiles, AFileThatIsNoModuleIsRefusedUnopenedAndNothingIsKept)
  {
    rtm::ModuleManager sut = manager(true);
    rtm::ModuleManager::Module module;
    rtm::ModuleManager::InitFunc init = nullptr;
    std::string error;

    EXPECT_EQ(sut.open(root + "/lib/Alpha.so", "", module, init, error), RTC::BAD_PARAMETER);

    EXPECT_NE(error.find("module '" + root + "/lib/Alpha.so' is not a shared object"), std::string::npos) << error;
    EXPECT_FALSE(module.handle);
    EXPECT_EQ(init, nullptr);
    EXPECT_TRUE(sut.loaded().empty());
  }

  // Real libraries of the system stand in for modules: zlib needs nothing of ours; omniORB's
  // dynamic part needs omniORB itself, as a module built against its own ORB does.
  const char* const kZlib = "/usr/lib/x86_64-linux-gnu/libz.so.1";
  const char* const kOmniDynamic = "/usr/lib/x86_64-linux-gnu/libomniDynamic4.so.2";

  TEST_F(ModuleFiles, OnlyASharedObjectOfThisMachineWithoutItsOwnOrbOpensAndOnlyItsOwnInitFunctionRuns)
  {
    fs::copy_file(kZlib, root + "/lib/Zed.so");
    fs::copy_file(kOmniDynamic, root + "/lib/Orb.so");
    fs::copy_file("/proc/self/exe", root + "/lib/Program.so");
    std::string image;
    {
      std::ifstream in(kZlib, std::ios::binary);
      image.assign(std::istreambuf_iterator<char>(in), {});
    }
    image[18] = static_cast<char>(image[18] ^ 0x40);  // e_machine: some other processor
    std::ofstream(root + "/lib/Foreign.so", std::ios::binary) << image;
    fs::create_directory(root + "/lib/Folder.so");

    struct Open
    {
      const char* file;
      const char* initFunc;
      RTC::ReturnCode_t expected;
      const char* named;  // in the one line of a refusal
    };
    const Open cases[] = {
      {"Zed", "zlibVersion", RTC::RTC_OK, ""},
      {"Zed", "abort", RTC::BAD_PARAMETER, "no init function 'abort' in it"},
      {"Zed", "exit", RTC::BAD_PARAMETER, "no init function 'exit' in it"},
      {"Zed", "", RTC::BAD_PARAMETER, "no init function 'ZedInit'"},
      {"Orb", "", RTC::PRECONDITION_NOT_MET, "needs its own ORB or middleware (libomniORB4.so.2)"},
      {"Foreign", "", RTC::BAD_PARAMETER, "built for another machine"},
      {"Program", "main", RTC::BAD_PARAMETER, "not a shared object"},
      {"notes.txt", "", RTC::BAD_PARAMETER, "not an ELF file"},
      {"Folder.so", "", RTC::BAD_PARAMETER, "not a regular file"},
      {"Escape.so", "", RTC::BAD_PARAMETER, "outside the load path"},
    };
    for (const Open& c : cases)
    {
      SCOPED_TRACE(std::string(c.file) + " " + c.initFunc);
      rtm::ModuleManager sut = manager(false);
      std::string path, error;
      rtm::ModuleManager::Module module;
      rtm::ModuleManager::InitFunc init = nullptr;
      RTC::ReturnCode_t ret = sut.resolve(c.file, path, error);
      if (ret == RTC::RTC_OK)
        ret = sut.open(path, c.initFunc, module, init, error);
      EXPECT_EQ(ret, c.expected) << error;
      EXPECT_EQ(init != nullptr, c.expected == RTC::RTC_OK);
      EXPECT_EQ(static_cast<bool>(module.handle), c.expected == RTC::RTC_OK);
      EXPECT_NE(error.find(c.named), std::string::npos) << error;
      EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
  }

  // The reader is handed exactly the bytes there are: a cut anywhere must be refused (or, past
  // the parts it reads, still read the same), never read beyond the end.
  TEST(ModuleElfHeader, EveryCutOfALibraryIsReadWithinItsBytesAndTheWholeListsItsNeeds)
  {
    std::ifstream in(kOmniDynamic, std::ios::binary);
    const std::vector<unsigned char> image{std::istreambuf_iterator<char>(in), {}};
    rtm::ElfReader sut;
    std::string error;
    ASSERT_TRUE(sut.read(image.data(), image.size(), error)) << error;
    const std::vector<std::string> needed = sut.needed();
    EXPECT_NE(std::find(needed.begin(), needed.end(), "libomniORB4.so.2"), needed.end());

    for (std::size_t size = 0; size < image.size(); size += size < 4096 ? 1 : 4093)
    {
      const std::vector<unsigned char> cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
      if (sut.read(cut.data(), cut.size(), error))
        EXPECT_EQ(sut.needed(), needed) << size;
      else
        EXPECT_FALSE(error.empty()) << size;
    }
  }

  TEST(ModuleInitFunction, DefaultsToTheFileBaseNameFollowedByInit)
  {
    EXPECT_EQ(rtm::ModuleManager::defaultInitFunc("/opt/rtc/Trimul.so"), "TrimulInit");
    EXPECT_EQ(rtm::ModuleManager::defaultInitFunc("Beta"), "BetaInit");
  }
}
