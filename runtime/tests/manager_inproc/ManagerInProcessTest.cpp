// The manager's factory and creation rules, exercised in one process with naming disabled.
#include "testsupport/Wait.h"

#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

using namespace std::chrono_literals;

namespace
{
  std::atomic<int> g_deleted{0};
  std::atomic<bool> g_failInitialize{false};

  class Plain : public RTC::DataFlowComponentBase
  {
  public:
    explicit Plain(RTC::Manager* m) : RTC::DataFlowComponentBase(m) {}
    RTC::ReturnCode_t onInitialize() override { return g_failInitialize ? RTC::RTC_ERROR : RTC::RTC_OK; }
  };

  RTC::RTObject_impl* createPlain(RTC::Manager* m) { return new Plain(m); }
  void deletePlain(RTC::RTObject_impl* rtc)
  {
    ++g_deleted;
    delete rtc;
  }

  RTC::Manager& manager()
  {
    static RTC::Manager* m = [] {
      const char* args[] = {"manager_inproc",
                            "-o",
                            "naming.enable:NO",
                            "-o",
                            "manager.shutdown_auto:NO",
                            "-o",
                            "manager.shutdown_on_nortcs:NO",
                            "-o",
                            "corba.endpoints:127.0.0.1:",
                            "-o",
                            "inproc.marker:first"};
      RTC::Manager* mgr = RTC::Manager::init(11, const_cast<char**>(args));
      mgr->activateManager();
      mgr->runManager(true);
      return mgr;
    }();
    return *m;
  }

  // Each test registers a type of its own, so instance numbers never depend on test order.
  void registerType(const std::string& id, const char* maxInstance = "", const char* version = "1.0")
  {
    // A profile table keeps its hand layout.
    // clang-format off
    const char* table[] = {"implementation_id", id.c_str(), "type_name", id.c_str(), "vendor", "V",
                          "category", "C", "version", version, "max_instance", maxInstance, ""};
    // clang-format on
    coil::Properties profile(table, 2147483647);
    ASSERT_TRUE(manager().registerFactory(profile, createPlain, deletePlain));
  }

  void destroy(RTC::RTObject_impl* comp)
  {
    const int before = g_deleted;
    manager().deleteComponent(comp);
    ASSERT_TRUE(testsupport::waitUntil([&] { return g_deleted > before; }, 10s));
  }
}

TEST(ManagerInit, SecondInitReturnsTheSameManagerAndChangesNothing)
{
  RTC::Manager* first = &manager();
  const char* args[] = {"again", "-o", "inproc.marker:second"};
  EXPECT_EQ(RTC::Manager::init(3, const_cast<char**>(args)), first);
  EXPECT_EQ(&RTC::Manager::instance(), first);
  EXPECT_EQ(first->getConfig().getProperty("inproc.marker"), "first");
}

TEST(ManagerFactories, TheSameTypeTwiceIsRefusedAnotherVersionIsNot)
{
  registerType("Dup");
  // A profile table keeps its hand layout.
  // clang-format off
  const char* table[] = {"implementation_id", "Dup", "vendor", "V", "category", "C", "version", "1.0", ""};
  // clang-format on
  coil::Properties same(table, 2147483647);
  EXPECT_FALSE(manager().registerFactory(same, createPlain, deletePlain));
  registerType("Dup", "", "2.0");
}

TEST(ManagerCreate, InstancesAreNumberedFromZeroAndFreedNumbersReused)
{
  registerType("Num");
  RTC::RTObject_impl* a = manager().createComponent("Num");
  RTC::RTObject_impl* b = manager().createComponent("Num");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_STREQ(a->getInstanceName(), "Num0");
  EXPECT_STREQ(b->getInstanceName(), "Num1");
  destroy(a);
  RTC::RTObject_impl* c = manager().createComponent("Num");
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c->getInstanceName(), "Num0");
  destroy(b);
  destroy(c);
}

TEST(ManagerCreate, TheFullArgumentFormMatchesVendorCategoryAndVersion)
{
  registerType("Full");
  RTC::RTObject_impl* comp = manager().createComponent("RTC:V:C:Full:1.0");
  ASSERT_NE(comp, nullptr);
  EXPECT_EQ(manager().createComponent("RTC:OtherVendor:C:Full:1.0"), nullptr);
  EXPECT_EQ(manager().createComponent("RTC:V:C:Full:9.9"), nullptr);
  EXPECT_EQ(manager().createComponent("NoSuchType"), nullptr);
  EXPECT_EQ(manager().createComponent("Full?a=1?b=2"), nullptr);
  destroy(comp);
}

TEST(ManagerCreate, InstanceArgumentsReachTheComponent)
{
  registerType("Args");
  RTC::RTObject_impl* comp = manager().createComponent("Args?instance_name=custom&exec_cxt.periodic.rate=25");
  ASSERT_NE(comp, nullptr);
  EXPECT_STREQ(comp->getInstanceName(), "custom");
  EXPECT_DOUBLE_EQ(comp->getExecutionRate(0), 25.0);
  destroy(comp);
}

TEST(ManagerCreate, MaxInstanceOfTheProfileIsHonoured)
{
  registerType("Single", "1");
  RTC::RTObject_impl* first = manager().createComponent("Single");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(manager().createComponent("Single"), nullptr);
  destroy(first);
  RTC::RTObject_impl* again = manager().createComponent("Single");
  EXPECT_NE(again, nullptr);
  destroy(again);
}

TEST(ManagerCreate, AFailedCreationReturnsNullAndDeletesTheHalfMadeInstance)
{
  registerType("Fails", "1");
  const int before = g_deleted;
  g_failInitialize = true;
  EXPECT_EQ(manager().createComponent("Fails"), nullptr);
  g_failInitialize = false;
  EXPECT_EQ(g_deleted, before + 1);

  EXPECT_EQ(manager().createComponent("Fails?exec_cxt.periodic.type=NoSuchContext"), nullptr);
  EXPECT_EQ(g_deleted, before + 2);

  // Nothing of the failures holds a slot.
  RTC::RTObject_impl* comp = manager().createComponent("Fails");
  ASSERT_NE(comp, nullptr);
  EXPECT_STREQ(comp->getInstanceName(), "Fails0");
  destroy(comp);
}

TEST(ManagerCreate, AnUnusableExecutionRateFallsBackToTheDefault)
{
  registerType("Rate");
  for (const char* bad : {"abc", "-5", "0"})
  {
    RTC::RTObject_impl* comp = manager().createComponent((std::string("Rate?exec_cxt.periodic.rate=") + bad).c_str());
    ASSERT_NE(comp, nullptr) << bad;
    EXPECT_DOUBLE_EQ(comp->getExecutionRate(0), 1000.0) << bad;
    destroy(comp);
  }
}
