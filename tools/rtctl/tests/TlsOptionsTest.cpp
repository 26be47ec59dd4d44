#include "client/Error.h"
#include "client/TlsOptions.h"

#include <gtest/gtest.h>

#include <map>

namespace rtctl
{
  namespace
  {
    struct Case
    {
      const char* what;
      std::vector<std::string> words;
      std::map<std::string, std::string> environment;
      const char* authority;
      const char* key;
      const char* password;
      std::vector<std::string> left;  // what the command sees
    };

    TEST(TlsOptions, OptionsBeforeTheCommandWinOverTheEnvironmentAndAreTakenOff)
    {
      const std::map<std::string, std::string> env = {{"RTCTL_SSL_CA_FILE", "env-ca.pem"},
                                                      {"RTCTL_SSL_KEY_FILE", "env-key.pem"},
                                                      {"RTCTL_SSL_KEY_PASSWORD", "env-pw"}};
      const Case cases[] = {
        {"nothing given", {"ls", "-l"}, {}, "", "", "", {"ls", "-l"}},
        {"options", {"--ssl-ca", "ca.pem", "--ssl-key", "me.pem", "ls"}, {}, "ca.pem", "me.pem", "", {"ls"}},
        {"options with =",
         {"--ssl-ca=ca.pem", "--ssl-key=me.pem", "--ssl-key-password=pw", "cat", "x.rtc"},
         {},
         "ca.pem",
         "me.pem",
         "pw",
         {"cat", "x.rtc"}},
        {"the environment alone", {"ls"}, env, "env-ca.pem", "env-key.pem", "env-pw", {"ls"}},
        {"an option over its variable", {"--ssl-key", "me.pem", "ls"}, env, "env-ca.pem", "me.pem", "env-pw", {"ls"}},
        {"options after the command are the command's",
         {"ls", "--ssl-ca", "ca.pem"},
         {},
         "",
         "",
         "",
         {"ls", "--ssl-ca", "ca.pem"}},
        {"a password given as empty stays empty",
         {"--ssl-key-password", "", "ls"},
         env,
         "env-ca.pem",
         "env-key.pem",
         "",
         {"ls"}},
      };
      for (const Case& c : cases)
      {
        SCOPED_TRACE(c.what);
        std::vector<std::string> words = c.words;
        const TlsOptions sut = TlsOptions::take(words, [&](const char* name) -> const char* {
          const auto found = c.environment.find(name);
          return found == c.environment.end() ? nullptr : found->second.c_str();
        });
        EXPECT_EQ(c.authority, sut.authorityFile());
        EXPECT_EQ(c.key, sut.keyFile());
        EXPECT_EQ(c.password, sut.keyPassword());
        EXPECT_EQ(c.left, words);
      }
    }

    TEST(TlsOptions, AnOptionWithoutItsValueOrAnAuthorityWithoutACertificateIsAUsageError)
    {
      const std::vector<std::string> cases[] = {{"--ssl-ca"}, {"--ssl-key-password"}, {"--ssl-ca", "ca.pem", "ls"}};
      for (const std::vector<std::string>& c : cases)
      {
        std::vector<std::string> words = c;
        EXPECT_THROW(TlsOptions::take(words, [](const char*) -> const char* { return nullptr; }), UsageError)
          << c.front();
      }
    }
  }
}
