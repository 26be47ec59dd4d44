// Where the manager's configuration comes from and which source wins.
#include "../../src/config/ManagerConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{

  namespace fs = std::filesystem;

  struct Loaded
  {
    bool ok = false;
    bool help = false;
    std::string error;
    coil::Properties config;
  };

  Loaded load(const std::vector<std::string>& args)
  {
    std::vector<std::string> storage{"prog"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(storage.size() + 1);
    for (std::string& s : storage)
    {
      argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    Loaded result;
    result.ok = rtm::config::loadManagerConfig(static_cast<int>(storage.size()), argv.data(), result.config,
                                               result.error, result.help);
    return result;
  }

  bool systemConfigFileExists()
  {
    for (const char* path :
         {"/etc/rtc.conf", "/etc/rtc/rtc.conf", "/usr/local/etc/rtc.conf", "/usr/local/etc/rtc/rtc.conf"})
    {
      if (fs::exists(path))
      {
        return true;
      }
    }
    return false;
  }

  // Each test runs in a fresh empty working directory with RTC_MANAGER_CONFIG unset, so neither
  // the build tree nor the caller's environment can leak a configuration file into it.
  class ManagerConfigTest : public ::testing::Test
  {
  protected:
    void SetUp() override
    {
      previousDir_ = fs::current_path();
      std::string pattern = (fs::temp_directory_path() / "config_tests.XXXXXX").string();
      ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
      dir_ = pattern;
      fs::current_path(dir_);
      if (const char* env = std::getenv("RTC_MANAGER_CONFIG"))
      {
        previousEnv_ = env;
      }
      ::unsetenv("RTC_MANAGER_CONFIG");
    }

    void TearDown() override
    {
      if (previousEnv_)
      {
        ::setenv("RTC_MANAGER_CONFIG", previousEnv_->c_str(), 1);
      }
      else
      {
        ::unsetenv("RTC_MANAGER_CONFIG");
      }
      fs::current_path(previousDir_);
      fs::remove_all(dir_);
    }

    std::string writeFile(const std::string& name, const std::string& text)
    {
      const fs::path path = dir_ / name;
      std::ofstream(path) << text;
      return path.string();
    }

    fs::path dir_;

  private:
    fs::path previousDir_;
    std::optional<std::string> previousEnv_;
  };

  TEST_F(ManagerConfigTest, DefaultsAloneWhenNoFileIsFound)
  {
    if (systemConfigFileExists())
    {
      GTEST_SKIP() << "a system-wide rtc.conf exists on this machine";
    }

    const Loaded sut = load({});

    ASSERT_TRUE(sut.ok) << sut.error;
    EXPECT_EQ(sut.config.getProperty("naming.formats"), "%h.host_cxt/%n.rtc");
    EXPECT_EQ(sut.config.getProperty("corba.nameservers"), "localhost");
    EXPECT_EQ(sut.config.getProperty("exec_cxt.periodic.rate"), "1000");
    EXPECT_EQ(sut.config.getProperty("openrtm.version"), "1.1.2");
    EXPECT_EQ(sut.config.getProperty("naming.update.rebind"), "NO");
    EXPECT_EQ(sut.config.getProperty("manager.is_master"), "NO");
  }

  TEST(ManagerConfigDefaults, LoggingIsOffAndNoReferenceFileIsWritten)
  {
    const coil::Properties sut = rtm::config::defaultManagerConfig();

    EXPECT_EQ(sut.getProperty("logger.enable"), "NO");
    EXPECT_EQ(sut.getProperty("manager.refstring_path"), "");
    EXPECT_EQ(sut.findNode("corba.endpoints"), nullptr);  // unset, unlike corba.endpoint
  }

  TEST_F(ManagerConfigTest, MissingFileGivenWithDashFIsAnError)
  {
    const Loaded sut = load({"-f", "/nonexistent/rtc.conf"});

    EXPECT_FALSE(sut.ok);
    EXPECT_EQ(sut.error, "cannot read configuration file '/nonexistent/rtc.conf': No such file or directory");
  }

  TEST_F(ManagerConfigTest, DirectoryGivenWithDashFIsAnError)
  {
    const Loaded sut = load({"-f", dir_.string()});

    EXPECT_FALSE(sut.ok);
    EXPECT_EQ(sut.error, "cannot read configuration file '" + dir_.string() + "': Is a directory");
  }

  TEST_F(ManagerConfigTest, BadOptionIsAnError)
  {
    const Loaded sut = load({"-q"});

    EXPECT_FALSE(sut.ok);
    EXPECT_EQ(sut.error, "unknown option '-q'");
  }

  TEST_F(ManagerConfigTest, HelpLoadsNothing)
  {
    const Loaded sut = load({"-h", "-f", "/nonexistent/rtc.conf"});

    EXPECT_TRUE(sut.ok);
    EXPECT_TRUE(sut.help);
    EXPECT_EQ(sut.error, "");
  }

  TEST_F(ManagerConfigTest, DashFWinsOverEnvironmentAndWorkingDirectory)
  {
    const std::string given = writeFile("given.conf", "source: given\n");
    ::setenv("RTC_MANAGER_CONFIG", writeFile("env.conf", "source: env\n").c_str(), 1);
    writeFile("rtc.conf", "source: cwd\n");

    EXPECT_EQ(load({"-f", given}).config.getProperty("source"), "given");
  }

  TEST_F(ManagerConfigTest, EnvironmentWinsOverWorkingDirectory)
  {
    ::setenv("RTC_MANAGER_CONFIG", writeFile("env.conf", "source: env\n").c_str(), 1);
    writeFile("rtc.conf", "source: cwd\n");

    EXPECT_EQ(load({}).config.getProperty("source"), "env");
  }

  TEST_F(ManagerConfigTest, MissingEnvironmentFileFallsThroughToWorkingDirectory)
  {
    ::setenv("RTC_MANAGER_CONFIG", (dir_ / "absent.conf").c_str(), 1);
    writeFile("rtc.conf", "source: cwd\n");

    std::string error;
    const std::string found = rtm::config::findConfigFile({}, error);

    EXPECT_EQ(found, "./rtc.conf");
    EXPECT_EQ(error, "");
    EXPECT_EQ(load({}).config.getProperty("source"), "cwd");
  }

  TEST_F(ManagerConfigTest, FileOverridesDefaults)
  {
    const std::string file = writeFile("a.conf", "naming.formats: %n.rtc\nlogger.enable: YES\n");

    const Loaded sut = load({"-f", file});

    ASSERT_TRUE(sut.ok) << sut.error;
    EXPECT_EQ(sut.config.getProperty("naming.formats"), "%n.rtc");
    EXPECT_EQ(sut.config.getProperty("logger.enable"), "YES");
    EXPECT_EQ(sut.config.getProperty("corba.id"), "omniORB");  // untouched default
  }

  TEST_F(ManagerConfigTest, SystemInformationOverridesTheFile)
  {
    const std::string file = writeFile("a.conf", "os.hostname: fake\nmanager.pid: 1\n");

    const Loaded sut = load({"-f", file});

    EXPECT_NE(sut.config.getProperty("os.hostname"), "fake");
    EXPECT_FALSE(sut.config.getProperty("os.name").empty());
    EXPECT_EQ(sut.config.getProperty("manager.pid"), std::to_string(::getpid()));
  }

  TEST_F(ManagerConfigTest, MasterFlagOverridesTheFile)
  {
    const std::string file = writeFile("a.conf", "manager.is_master: NO\n");

    EXPECT_EQ(load({"-f", file, "-d"}).config.getProperty("manager.is_master"), "YES");
  }

  TEST_F(ManagerConfigTest, OverridesBeatEverySource)
  {
    const std::string file =
      writeFile("a.conf", "corba.endpoints: :1\nmanager.corba_servant: YES\nnaming.enable: YES\n");

    const Loaded sut = load({"-o", "manager.is_master:NO", "-d", "-f", file, "-o", "os.hostname:pinned", "-p", "2811",
                             "-a", "-o", "naming.enable:NO"});

    ASSERT_TRUE(sut.ok) << sut.error;
    EXPECT_EQ(sut.config.getProperty("manager.is_master"), "NO");
    EXPECT_EQ(sut.config.getProperty("os.hostname"), "pinned");
    EXPECT_EQ(sut.config.getProperty("corba.endpoints"), ":2811");
    EXPECT_EQ(sut.config.getProperty("manager.corba_servant"), "NO");
    EXPECT_EQ(sut.config.getProperty("naming.enable"), "NO");
  }

  TEST_F(ManagerConfigTest, OverrideValueWithColonsIsKeptVerbatim)
  {
    const std::string file = writeFile("a.conf", "\n");

    const Loaded sut = load({"-f", file, "-o", "corba.nameservers:host.example:2809,10.0.0.1:2810"});

    EXPECT_EQ(sut.config.getProperty("corba.nameservers"), "host.example:2809,10.0.0.1:2810");
  }

}  // namespace
