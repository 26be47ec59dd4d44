#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using testsupport::NameServer;
using testsupport::NamingClient;
using testsupport::testOrb;

namespace
{

  // Local addresses (hex, as the kernel prints them) of sockets listening on the port.
  std::vector<std::string> listeningAddresses(int port)
  {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // header
    std::vector<std::string> found;
    while (std::getline(table, line))
    {
      std::istringstream fields(line);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      const auto colon = local.find(':');
      if (state == "0A" && std::stoi(local.substr(colon + 1), nullptr, 16) == port)
      {
        found.push_back(local.substr(0, colon));
      }
    }
    return found;
  }

  CORBA::Object_ptr someObject(const NameServer& ns) { return testOrb()->string_to_object(ns.corbaloc().c_str()); }

}  // namespace

TEST(NameServer, StartedServiceAnswersAndIsEmpty)
{
  NameServer sut;
  NamingClient client(testOrb(), sut.corbaloc());

  EXPECT_TRUE(client.reachable());
  EXPECT_TRUE(client.list().empty());
  EXPECT_EQ(sut.address(), "127.0.0.1:" + std::to_string(sut.port()));
  EXPECT_EQ(sut.corbaloc(), "corbaloc::" + sut.address() + "/NameService");
}

TEST(NameServer, ServiceListensOnLoopbackOnly)
{
  NameServer sut;

  EXPECT_EQ(listeningAddresses(sut.port()), std::vector<std::string>{"0100007F"});
}

TEST(NameServer, TwoServicesGetSeparatePortsAndFolders)
{
  NameServer first;
  NameServer second;

  EXPECT_NE(first.port(), second.port());
  EXPECT_NE(first.dataDir(), second.dataDir());
}

TEST(NameServer, RestartWithoutDataResultsInEmptyServiceOnSamePort)
{
  NameServer sut;
  NamingClient client(testOrb(), sut.corbaloc());
  CORBA::Object_var object = someObject(sut);
  ASSERT_TRUE(client.bind("host.host_cxt/Trimul0.rtc", object));
  const int port = sut.port();

  sut.restart(false);

  EXPECT_EQ(sut.port(), port);
  EXPECT_TRUE(client.reachable());
  EXPECT_FALSE(client.isBound("host.host_cxt/Trimul0.rtc"));
  EXPECT_TRUE(client.list().empty());
}

TEST(NameServer, RestartKeepingDataAfterCrashRestoresBindings)
{
  NameServer sut;
  NamingClient client(testOrb(), sut.corbaloc());
  CORBA::Object_var object = someObject(sut);
  ASSERT_TRUE(client.bind("host.host_cxt/Trimul0.rtc", object));

  sut.kill(SIGKILL);
  ASSERT_FALSE(client.reachable());
  sut.restart(true);

  EXPECT_TRUE(client.isBound("host.host_cxt/Trimul0.rtc"));
}

TEST(NameServer, KilledServiceReadsAsUnreachableRatherThanThrowing)
{
  NameServer sut;
  NamingClient client(testOrb(), sut.corbaloc());

  sut.kill();

  EXPECT_FALSE(sut.running());
  EXPECT_FALSE(client.reachable());
  EXPECT_FALSE(client.isBound("host.host_cxt/Trimul0.rtc"));
  EXPECT_TRUE(client.list().empty());
  EXPECT_FALSE(client.bind("host.host_cxt/Trimul0.rtc", CORBA::Object::_nil()));
}

TEST(NameServer, DestructionStopsProcessAndRemovesDataFolder)
{
  pid_t pid = 0;
  std::string dataDir;
  {
    NameServer sut;
    pid = sut.pid();
    dataDir = sut.dataDir();
    ASSERT_TRUE(std::filesystem::exists(dataDir));
  }

  EXPECT_EQ(::kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH);
  EXPECT_FALSE(std::filesystem::exists(dataDir));
}
