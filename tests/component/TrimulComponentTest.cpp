// Trimul in one process: its ports and profile as the middleware publishes them, its lifecycle,
// and the scaling step driven through real connected ports.
#include "testsupport/PushConnection.h"
#include "testsupport/TimedLongPeer.h"
#include "Trimul.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

using namespace std::chrono_literals;

namespace
{
  RTC::Manager& manager()
  {
    static RTC::Manager* m = [] {
      const char* args[] = {"trimul_component_tests",   "-o", "naming.enable:NO",          "-o",
                            "manager.shutdown_auto:NO", "-o", "corba.endpoints:127.0.0.1:"};
      RTC::Manager* mgr = RTC::Manager::init(7, const_cast<char**>(args));
      mgr->activateManager();
      mgr->runManager(true);
      return mgr;
    }();
    return *m;
  }

  std::string text(const CORBA::Any& any)
  {
    const char* s = nullptr;
    return (any >>= s) ? s : "";
  }

  std::map<std::string, std::string> toMap(const SDOPackage::NVList& nv)
  {
    std::map<std::string, std::string> m;
    for (CORBA::ULong i = 0; i < nv.length(); ++i)
      m[static_cast<const char*>(nv[i].name)] = text(nv[i].value);
    return m;
  }

  // One Trimul (its profile allows one instance) and one peer wired to all four of its ports.
  class TrimulInProcess : public ::testing::Test
  {
  protected:
    static void SetUpTestSuite()
    {
      TrimulInit(&manager());
      sut = manager().createComponent("Trimul");
      ASSERT_NE(sut, nullptr);
      peer = new testsupport::TimedLongPeer(manager().getORB(), manager().getPOA());
      peer->getProperties().setProperty("instance_name", "Peer0");
      ASSERT_EQ(peer->initialize(), RTC::RTC_OK);

      RTC::PortServiceList_var ports = sut->get_ports();
      ASSERT_EQ(ports->length(), 4u);
      // Connected through the ports' own CORBA handshake, as a tool would connect them.
      RTC::ConnectorProfile x1 = testsupport::pushProfile("test", peer->out.getPortRef(), ports[0u]);
      ASSERT_EQ(peer->out.getPortRef()->connect(x1), RTC::RTC_OK);
      for (CORBA::ULong k = 1; k < 4; ++k)
      {
        RTC::ConnectorProfile y = testsupport::pushProfile("test", ports[k], peer->ins[k - 1]->getPortRef());
        ASSERT_EQ(ports[k]->connect(y), RTC::RTC_OK);
      }
    }

    // Runs one periodic step of Trimul, as its execution context would, capturing what it prints.
    std::string step()
    {
      std::ostringstream captured;
      std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
      const RTC::ReturnCode_t ret = sut->on_execute(0);
      std::cout.rdbuf(old);
      EXPECT_EQ(ret, RTC::RTC_OK);
      return captured.str();
    }

    void send(CORBA::Long x)
    {
      peer->outSample.data = x;
      ASSERT_TRUE(peer->out.write());
    }

    static RTC::RTObject_impl* sut;
    static testsupport::TimedLongPeer* peer;
  };

  RTC::RTObject_impl* TrimulInProcess::sut = nullptr;
  testsupport::TimedLongPeer* TrimulInProcess::peer = nullptr;
}

TEST_F(TrimulInProcess, HasExactlyOneInputAndThreeOutputPortsOfTimedLong)
{
  RTC::ComponentProfile_var profile = sut->get_component_profile();
  ASSERT_EQ(profile->port_profiles.length(), 4u);
  const char* names[] = {"Trimul0.x1", "Trimul0.y1", "Trimul0.y2", "Trimul0.y3"};
  const char* types[] = {"DataInPort", "DataOutPort", "DataOutPort", "DataOutPort"};
  for (CORBA::ULong i = 0; i < 4; ++i)
  {
    EXPECT_STREQ(profile->port_profiles[i].name, names[i]);
    auto props = toMap(profile->port_profiles[i].properties);
    EXPECT_EQ(props["port.port_type"], types[i]) << names[i];
    EXPECT_EQ(props["dataport.data_type"], "IDL:RTC/TimedLong:1.0") << names[i];
  }
}

TEST_F(TrimulInProcess, RegisteredProfileHasExactlyTheElevenProperties)
{
  // A profile table keeps its hand layout.
  // clang-format off
  const std::map<std::string, std::string> expected = {
    {"implementation_id", "Trimul"}, {"type_name", "Trimul"}, {"description", "ModuleDescription"},
    {"version", "1.0.0"}, {"vendor", "Karvo"}, {"category", "Category"},
    {"activity_type", "PERIODIC"}, {"kind", "DataFlowComponent"}, {"max_instance", "1"},
    {"language", "C++"}, {"lang_type", "compile"}};
  // clang-format on
  for (const coil::Properties& profile : manager().getFactoryProfiles())
  {
    if (profile.getProperty("implementation_id") != "Trimul")
      continue;
    std::map<std::string, std::string> actual;
    for (const std::string& key : profile.propertyNames())
      actual[key] = profile.getProperty(key);
    EXPECT_EQ(actual, expected);
    return;
  }
  FAIL() << "no Trimul factory registered";
}

TEST_F(TrimulInProcess, OnlyOneInstanceMayBeCreated) { EXPECT_EQ(manager().createComponent("Trimul"), nullptr); }

TEST_F(TrimulInProcess, ActivationAndDeactivationSucceedEveryTime)
{
  RTC::ExecutionContext_var ec = sut->get_context(0);
  RTC::RTObject_var ref = RTC::RTObject::_duplicate(sut->getObjRef());
  for (int i = 0; i < 5; ++i)
  {
    ASSERT_EQ(ec->activate_component(ref.in()), RTC::RTC_OK);
    ASSERT_TRUE(testsupport::waitUntil([&] { return ec->get_component_state(ref.in()) == RTC::ACTIVE_STATE; }, 5s));
    ASSERT_EQ(ec->deactivate_component(ref.in()), RTC::RTC_OK);
    EXPECT_EQ(ec->get_component_state(ref.in()), RTC::INACTIVE_STATE);
  }
}

TEST_F(TrimulInProcess, OnErrorReturnsOkAndPrintsNothing)
{
  std::ostringstream captured;
  std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(sut->on_error(0), RTC::RTC_OK);
  std::cout.rdbuf(old);
  EXPECT_EQ(captured.str(), "");
}

TEST_F(TrimulInProcess, EachWorkedValueIsPublishedAndPrintedExactly)
{
  struct Row
  {
    CORBA::Long x, y1, y2, y3;
    const char* lines;
  };
  const Row rows[] = {
    {7, 14, 70, 700, "14=7*2\n70=7*10\n700=7*100\n"},
    {0, 0, 0, 0, "0=0*2\n0=0*10\n0=0*100\n"},
    {-5, -10, -50, -500, "-10=-5*2\n-50=-5*10\n-500=-5*100\n"},
    {21474836, 42949672, 214748360, 2147483600,
     "42949672=21474836*2\n214748360=21474836*10\n2147483600=21474836*100\n"},
    {21474837, 42949674, 214748370, -2147483596,
     "42949674=21474837*2\n214748370=21474837*10\n-2147483596=21474837*100\n"},
    {1073741824, -2147483647 - 1, -2147483647 - 1, 0,
     "-2147483648=1073741824*2\n-2147483648=1073741824*10\n0=1073741824*100\n"},
    {-2147483647 - 1, 0, 0, 0, "0=-2147483648*2\n0=-2147483648*10\n0=-2147483648*100\n"},
    {2147483647, -2, -10, -100, "-2=2147483647*2\n-10=2147483647*10\n-100=2147483647*100\n"},
  };
  for (const Row& row : rows)
  {
    send(row.x);
    EXPECT_EQ(step(), row.lines) << row.x;
    for (auto* port : {&peer->in1, &peer->in2, &peer->in3})
      ASSERT_TRUE(port->isNew()) << row.x;
    peer->in1.read();
    peer->in2.read();
    peer->in3.read();
    EXPECT_EQ(peer->in1Sample.data, row.y1) << row.x;
    EXPECT_EQ(peer->in2Sample.data, row.y2) << row.x;
    EXPECT_EQ(peer->in3Sample.data, row.y3) << row.x;
  }
}

TEST_F(TrimulInProcess, WithoutANewSampleNothingIsWrittenOrPrinted)
{
  EXPECT_EQ(step(), "");
  EXPECT_FALSE(peer->in1.isNew());
  EXPECT_FALSE(peer->in2.isNew());
  EXPECT_FALSE(peer->in3.isNew());
}

TEST_F(TrimulInProcess, TwoSamplesWithinOnePeriodAreHandledOnePerStep)
{
  send(3);
  send(4);
  EXPECT_EQ(step(), "6=3*2\n30=3*10\n300=3*100\n");
  EXPECT_EQ(step(), "8=4*2\n40=4*10\n400=4*100\n");
  EXPECT_EQ(step(), "");
  for (CORBA::Long expected : {6, 8})
  {
    ASSERT_TRUE(peer->in1.isNew());
    peer->in1.read();
    EXPECT_EQ(peer->in1Sample.data, expected);
  }
  EXPECT_FALSE(peer->in1.isNew());
  while (peer->in2.isNew())
    peer->in2.read();
  while (peer->in3.isNew())
    peer->in3.read();
}
