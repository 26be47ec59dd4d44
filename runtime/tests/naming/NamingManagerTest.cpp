// Against real omniNames processes: what a component's name looks like in the naming service,
// and how the names survive servers that are missing, restarted empty or hung.
#include "naming/NamingManager.h"

#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace
{
  using namespace std::chrono_literals;
  using testsupport::NameServer;
  using testsupport::NamingClient;
  using testsupport::testOrb;

  const std::string kPath = "myhost.host_cxt/Trimul0.rtc";

  // A reference nobody serves: the naming service only stores it, and tests compare it.
  CORBA::Object_ptr fakeObject(const std::string& key)
  {
    return testOrb()->string_to_object(("corbaloc::127.0.0.1:1/" + key).c_str());
  }

  bool boundTo(NamingClient& client, const std::string& path, CORBA::Object_ptr expected)
  {
    CORBA::Object_var found = client.resolve(path);
    return !CORBA::is_nil(found) && found->_is_equivalent(expected);
  }

  std::size_t lineCount(const std::string& text)
  {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }

  class NamingManagerTest : public ::testing::Test
  {
  protected:
    NameServer ns_;
    NamingClient client_{testOrb(), ns_.corbaloc()};
    CORBA::Object_var component_ = fakeObject("Trimul0");
  };

  TEST_F(NamingManagerTest, BindResultsInHostContextHoldingTheResolvableLeaf)
  {
    rtm::NamingManager sut(testOrb(), ns_.address(), true);

    sut.bindObject(kPath, component_);

    EXPECT_EQ(client_.list(), std::vector<std::string>{"myhost.host_cxt"});
    EXPECT_EQ(client_.list("myhost.host_cxt"), std::vector<std::string>{"Trimul0.rtc"});
    EXPECT_TRUE(boundTo(client_, kPath, component_));
  }

  TEST_F(NamingManagerTest, BindOverAStaleBindingResultsInTheNewObject)
  {
    CORBA::Object_var stale = fakeObject("deadTrimul0");
    ASSERT_TRUE(client_.bind(kPath, stale));
    rtm::NamingManager sut(testOrb(), ns_.address(), true);

    sut.bindObject(kPath, component_);

    EXPECT_TRUE(boundTo(client_, kPath, component_));
  }

  TEST_F(NamingManagerTest, DottedHostNameResultsInDotsKeptInTheContextId)
  {
    rtm::NamingManager sut(testOrb(), ns_.address(), true);

    sut.bindObject("node1.lab.example.host_cxt/Trimul0.rtc", component_);

    // Built by hand, not with a path parser that could share the fault under test.
    CosNaming::Name name;
    name.length(2);
    name[0].id = "node1.lab.example";
    name[0].kind = "host_cxt";
    name[1].id = "Trimul0";
    name[1].kind = "rtc";
    CORBA::Object_var rootObject = testOrb()->string_to_object(ns_.corbaloc().c_str());
    CosNaming::NamingContext_var root = CosNaming::NamingContext::_narrow(rootObject);
    CORBA::Object_var found = root->resolve(name);
    EXPECT_TRUE(found->_is_equivalent(component_));
  }

  TEST_F(NamingManagerTest, UnbindResultsInLeafGoneHostContextKeptAndNameForgotten)
  {
    CORBA::Object_var sibling = fakeObject("Trimul1");
    rtm::NamingManager sut(testOrb(), ns_.address(), true);
    sut.bindObject(kPath, component_);
    sut.bindObject("myhost.host_cxt/Trimul1.rtc", sibling);

    sut.unbindObject(kPath);
    sut.update(true);

    EXPECT_EQ(client_.list("myhost.host_cxt"), std::vector<std::string>{"Trimul1.rtc"});
  }

  TEST_F(NamingManagerTest, UnbindAllResultsInNoLeafAndNothingToRebind)
  {
    rtm::NamingManager sut(testOrb(), ns_.address(), true);
    sut.bindObject(kPath, component_);
    sut.bindObject("myhost.host_cxt/Trimul1.rtc", component_);

    sut.unbindAll();
    sut.update(true);

    EXPECT_TRUE(client_.list("myhost.host_cxt").empty());
  }

  TEST_F(NamingManagerTest, UpdateOverABindingToAnotherObjectResultsInOursAgain)
  {
    rtm::NamingManager sut(testOrb(), ns_.address(), true);
    sut.bindObject(kPath, component_);
    CORBA::Object_var intruder = fakeObject("other");
    ASSERT_TRUE(client_.bind(kPath, intruder));

    sut.update(false);

    EXPECT_TRUE(boundTo(client_, kPath, component_));
  }

  TEST_F(NamingManagerTest, ServerRestartedEmptyResultsInTheNameBoundAgainOnUpdate)
  {
    rtm::NamingManager sut(testOrb(), ns_.address(), true);
    sut.bindObject(kPath, component_);
    ns_.restart(false);
    ASSERT_FALSE(client_.isBound(kPath));

    sut.update(false);

    EXPECT_TRUE(boundTo(client_, kPath, component_));
  }

  TEST_F(NamingManagerTest, UnreachableServerResultsInOneWarningNoFailureAndBindingOnceItStarts)
  {
    ns_.kill();
    rtm::NamingManager sut(testOrb(), ns_.address(), true);

    ::testing::internal::CaptureStderr();
    sut.bindObject(kPath, component_);
    sut.bindObject("myhost.host_cxt/Trimul1.rtc", component_);
    sut.update(false);
    sut.update(true);
    const std::string warnings = ::testing::internal::GetCapturedStderr();
    ns_.restart(false);
    sut.update(false);

    EXPECT_EQ(lineCount(warnings), 1u) << warnings;
    EXPECT_NE(warnings.find("naming service " + ns_.address() + " is not reachable"), std::string::npos) << warnings;
    EXPECT_TRUE(boundTo(client_, kPath, component_));
    EXPECT_TRUE(boundTo(client_, "myhost.host_cxt/Trimul1.rtc", component_));
  }

  TEST_F(NamingManagerTest, ServerLostAgainAfterComingBackResultsInAFreshWarning)
  {
    rtm::NamingManager sut(testOrb(), ns_.address(), true);
    ::testing::internal::CaptureStderr();
    ns_.kill();
    sut.bindObject(kPath, component_);
    ns_.restart(false);
    sut.update(false);
    ns_.kill();
    sut.update(false);
    const std::string warnings = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(lineCount(warnings), 2u) << warnings;
  }

  TEST_F(NamingManagerTest, HungServerResultsInCallsReturningWithAWarning)
  {
    rtm::NamingManager sut(testOrb(), ns_.address(), true);
    ns_.freeze();

    ::testing::internal::CaptureStderr();
    auto bound = std::async(std::launch::async, [&] { sut.bindObject(kPath, component_); });
    const bool returned = bound.wait_for(30s) == std::future_status::ready;
    const std::string warnings = ::testing::internal::GetCapturedStderr();
    ns_.thaw();

    ASSERT_TRUE(returned) << "bindObject hung on a frozen naming service";
    EXPECT_EQ(lineCount(warnings), 1u) << warnings;
  }

  TEST_F(NamingManagerTest, TwoServersResultInTheNameBoundInBoth)
  {
    NameServer second;
    NamingClient secondClient(testOrb(), second.corbaloc());
    rtm::NamingManager sut(testOrb(), " " + ns_.address() + " ,, " + second.address() + " ", true);

    sut.bindObject(kPath, component_);

    EXPECT_TRUE(boundTo(client_, kPath, component_));
    EXPECT_TRUE(boundTo(secondClient, kPath, component_));
  }

  TEST_F(NamingManagerTest, OneDeadServerResultsInTheOtherStillServed)
  {
    NameServer dead;
    dead.kill();
    rtm::NamingManager sut(testOrb(), dead.address() + "," + ns_.address(), true);

    ::testing::internal::CaptureStderr();
    sut.bindObject(kPath, component_);
    const std::string warnings = ::testing::internal::GetCapturedStderr();

    EXPECT_TRUE(boundTo(client_, kPath, component_));
    EXPECT_NE(warnings.find(dead.address()), std::string::npos) << warnings;
  }

  TEST_F(NamingManagerTest, UnusableAddressResultsInOneWarningAndTheOtherServerServed)
  {
    rtm::NamingManager sut(testOrb(), "127.0.0.1:notaport," + ns_.address(), true);

    ::testing::internal::CaptureStderr();
    sut.bindObject(kPath, component_);
    sut.update(true);
    const std::string warnings = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(lineCount(warnings), 1u) << warnings;
    EXPECT_NE(warnings.find("127.0.0.1:notaport"), std::string::npos) << warnings;
    EXPECT_TRUE(boundTo(client_, kPath, component_));
  }

  TEST_F(NamingManagerTest, BindingWhileTheTimerUpdatesResultsInEveryNameBound)
  {
    rtm::NamingManager sut(testOrb(), ns_.address(), true);
    std::atomic<bool> done{false};
    std::thread timer([&] {
      while (!done)
      {
        sut.update(true);
      }
    });
    for (int i = 0; i < 20; ++i)
    {
      sut.bindObject("myhost.host_cxt/Trimul" + std::to_string(i) + ".rtc", component_);
    }
    done = true;
    timer.join();

    EXPECT_EQ(client_.list("myhost.host_cxt").size(), 20u);
  }

  TEST_F(NamingManagerTest, DisabledNamingResultsInNothingBound)
  {
    rtm::NamingManager sut(testOrb(), ns_.address(), false);

    sut.bindObject(kPath, component_);
    sut.update(true);

    EXPECT_TRUE(client_.list().empty());
    EXPECT_TRUE(sut.servers().empty());
  }

  TEST(NamingManagerServers, EntriesResultInCorbalocUrlsWithDefaultPortLeftToCorbaloc)
  {
    rtm::NamingManager sut(testOrb(), " localhost , ,ns.example:2810,", true);

    EXPECT_EQ(sut.servers(),
              (std::vector<std::string>{"corbaloc::localhost/NameService", "corbaloc::ns.example:2810/NameService"}));
  }
}  // namespace
