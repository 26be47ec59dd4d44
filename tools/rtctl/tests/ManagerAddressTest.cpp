#include "client/Error.h"
#include "client/ManagerAddress.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    const char* const kDefault = "localhost:2809";

    struct NamedCase
    {
      const char* text;
      const char* server;
      std::vector<std::string> names;
    };

    TEST(ManagerAddress, NamingPathsEndingInMgrAreLookedUpInTheirNamingService)
    {
      const NamedCase cases[] = {
        {"/localhost:2809/myhost.host_cxt/manager.mgr", "localhost:2809", {"myhost.host_cxt", "manager.mgr"}},
        {"/10.0.0.2/manager.mgr", "10.0.0.2:2809", {"manager.mgr"}},
        {"myhost.host_cxt/manager.mgr", kDefault, {"myhost.host_cxt", "manager.mgr"}},
        {"manager.mgr", kDefault, {"manager.mgr"}},
        {"my.dotted.host.host_cxt/m.mgr", kDefault, {"my.dotted.host.host_cxt", "m.mgr"}},
      };
      for (const NamedCase& c : cases)
      {
        SCOPED_TRACE(c.text);
        const ManagerAddress sut = ManagerAddress::parse(c.text, kDefault);
        EXPECT_TRUE(sut.isNamed());
        EXPECT_EQ(c.server, sut.path().server());
        EXPECT_EQ(c.names, sut.path().names());
      }
    }

    TEST(ManagerAddress, HostAndPortNameTheManagerObjectListeningThere)
    {
      const char* const cases[][2] = {
        {"localhost:2810", "corbaloc::localhost:2810/manager"},
        {"127.0.0.1:40000", "corbaloc::127.0.0.1:40000/manager"},
        {"[::1]:2810", "corbaloc::[::1]:2810/manager"},
        {"host.example.org:1", "corbaloc::host.example.org:1/manager"},
      };
      for (const auto& c : cases)
      {
        SCOPED_TRACE(c[0]);
        const ManagerAddress sut = ManagerAddress::parse(c[0], kDefault);
        EXPECT_FALSE(sut.isNamed());
        EXPECT_EQ(c[1], sut.corbaloc());
      }
    }

    TEST(ManagerAddress, AnythingElseIsAUsageError)
    {
      for (const char* text : {"", "localhost", "localhost:", ":2810", "localhost:0", "localhost:65536",
                               "localhost:99999999999", "myhost.host_cxt/Trimul0.rtc", "myhost.host_cxt",
                               "/localhost:2809", "/localhost:2810/", "manager.mgr:x", "a//manager.mgr"})
      {
        SCOPED_TRACE(text);
        EXPECT_THROW(ManagerAddress::parse(text, kDefault), UsageError);
      }
    }
  }
}
