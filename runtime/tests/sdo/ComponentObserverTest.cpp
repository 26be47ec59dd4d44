// Observers attached to a component as tools attach them (get_configuration, then
// add_service_profile): the profile list, what each observer hears and when it stops hearing.
// The component runs in this process under a manager without naming; observers are servants of
// this process, or of a process of their own when a test kills or freezes one.
#include "testsupport/ChildProcess.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include "sdo/ComponentObservers.h"

#include <rtm/DataFlowComponentBase.h>
#include <rtm/InPort.h>
#include <rtm/Manager.h>
#include <rtm/OutPort.h>
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/idl/ComponentObserver.hh>

#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace
{
  const auto kBound = 10s;
  std::atomic<bool> g_failExecute{false};

  class Watched : public RTC::DataFlowComponentBase
  {
  public:
    explicit Watched(RTC::Manager* m)
      : RTC::DataFlowComponentBase(m), x1("x1", x1Sample), y1("y1", y1Sample), x2("x2", x2Sample)
    {}
    RTC::ReturnCode_t onInitialize() override
    {
      addInPort("x1", x1);
      addOutPort("y1", y1);
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onExecute(RTC::UniqueId) override { return g_failExecute ? RTC::RTC_ERROR : RTC::RTC_OK; }

    RTC::TimedLong x1Sample, y1Sample, x2Sample;
    RTC::InPort<RTC::TimedLong> x1;
    RTC::OutPort<RTC::TimedLong> y1;
    RTC::InPort<RTC::TimedLong> x2;  // added and removed by a test
  };

  RTC::Manager& manager()
  {
    static RTC::Manager* m = [] {
      const char* args[] = {"sdo_tests",
                            "-o",
                            "naming.enable:NO",
                            "-o",
                            "manager.shutdown_auto:NO",
                            "-o",
                            "manager.shutdown_on_nortcs:NO",
                            "-o",
                            "corba.endpoints:127.0.0.1:",
                            "-o",
                            "exec_cxt.periodic.rate:1000"};
      RTC::Manager* mgr = RTC::Manager::init(11, const_cast<char**>(args));
      mgr->activateManager();
      mgr->runManager(true);
      // A profile table keeps its hand layout.
      // clang-format off
      const char* profileText[] = {"implementation_id", "Watched", "type_name", "Watched", "version", "1.0", ""};
      // clang-format on
      coil::Properties profile(profileText, 2147483647);
      mgr->registerFactory(
        profile, [](RTC::Manager* mm) -> RTC::RTObject_impl* { return new Watched(mm); },
        [](RTC::RTObject_impl* rtc) { delete rtc; });
      return mgr;
    }();
    return *m;
  }

  struct Update
  {
    OpenRTM::StatusKind kind;
    std::string hint;
  };

  // Records every update_status; tests wait for one to arrive after a given position.
  class RecordingObserver : public POA_OpenRTM::ComponentObserver
  {
  public:
    void update_status(OpenRTM::StatusKind kind, const char* hint) override
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_updates.push_back({kind, hint});
      m_changed.notify_all();
    }

    // The index of the first update equal to (kind, hint) at or after `from`; -1 after the bound.
    long waitFor(OpenRTM::StatusKind kind, const std::string& hint, size_t from = 0)
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      long found = -1;
      m_changed.wait_for(lock, kBound, [&] {
        for (size_t i = from; i < m_updates.size(); ++i)
          if (m_updates[i].kind == kind && m_updates[i].hint == hint)
            return (found = static_cast<long>(i)) >= 0;
        return false;
      });
      return found;
    }
    std::vector<Update> updates() const
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      return m_updates;
    }
    size_t count(OpenRTM::StatusKind kind) const
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      size_t n = 0;
      for (const Update& u : m_updates)
        n += u.kind == kind ? 1 : 0;
      return n;
    }

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Update> m_updates;
  };

  SDOPackage::ServiceProfile observerProfile(const std::string& id, CORBA::Object_ptr observer,
                                             const std::vector<std::pair<const char*, const char*>>& props = {})
  {
    SDOPackage::ServiceProfile sp;
    sp.id = CORBA::string_dup(id.c_str());
    sp.interface_type = CORBA::string_dup("IDL:OpenRTM/ComponentObserver:1.0");
    sp.service = SDOPackage::SDOService::_narrow(observer);
    for (const auto& p : props)
    {
      const CORBA::ULong n = sp.properties.length();
      sp.properties.length(n + 1);
      sp.properties[n].name = CORBA::string_dup(p.first);
      sp.properties[n].value <<= p.second;
    }
    return sp;
  }

  class ComponentObserverTest : public ::testing::Test
  {
  protected:
    ComponentObserverTest()
    {
      sut = dynamic_cast<Watched*>(manager().createComponent("Watched"));
      ref = RTC::RTObject::_duplicate(sut->getObjRef());
      ec = sut->getExecutionContext(0);
      config = ref->get_configuration();
      instance = sut->getInstanceName();
    }
    ~ComponentObserverTest() override
    {
      g_failExecute = false;
      for (auto& o : observers)
      {
        PortableServer::ObjectId_var oid = manager().getPOA()->servant_to_id(o.in());
        manager().getPOA()->deactivate_object(oid.in());
      }
      if (sut != nullptr)
        manager().deleteComponent(sut);
    }

    // A recording observer served here; its reference through `ref`.
    RecordingObserver& newObserver(CORBA::Object_var& objref)
    {
      observers.emplace_back(new RecordingObserver);
      PortableServer::ObjectId_var oid = manager().getPOA()->activate_object(observers.back().in());
      objref = manager().getPOA()->id_to_reference(oid.in());
      return *observers.back();
    }

    RecordingObserver& attached(const std::string& id,
                                const std::vector<std::pair<const char*, const char*>>& props = {})
    {
      CORBA::Object_var objref;
      RecordingObserver& o = newObserver(objref);
      EXPECT_TRUE(config->add_service_profile(observerProfile(id, objref.in(), props)));
      return o;
    }

    Watched* sut = nullptr;
    RTC::RTObject_var ref;
    RTC::ExecutionContext_var ec;
    SDOPackage::Configuration_var config;
    std::string instance;
    std::vector<PortableServer::Servant_var<RecordingObserver>> observers;
  };

  TEST_F(ComponentObserverTest, AnAttachedObserverIsListedUntilItsProfileIsRemoved)
  {
    CORBA::Object_var objref;
    newObserver(objref);
    const struct
    {
      const char* what;
      SDOPackage::ServiceProfile profile;
    } refused[] = {
      {"another interface type",
       [&] {
         auto sp = observerProfile("a", objref.in());
         sp.interface_type = CORBA::string_dup("IDL:OpenRTM/Logger:1.0");
         return sp;
       }()},
      {"an empty id", observerProfile("", objref.in())},
      {"a nil service", observerProfile("a", CORBA::Object::_nil())},
    };
    for (const auto& r : refused)
      EXPECT_FALSE(config->add_service_profile(r.profile)) << r.what;
    EXPECT_EQ(0u, SDOPackage::ServiceProfileList_var(ref->get_service_profiles())->length());

    ASSERT_TRUE(config->add_service_profile(observerProfile("obs-1", objref.in(), {{"observed_status", "ALL"}})));
    SDOPackage::ServiceProfileList_var listed = ref->get_service_profiles();
    ASSERT_EQ(1u, listed->length());
    EXPECT_STREQ("obs-1", listed[0].id.in());
    EXPECT_STREQ("IDL:OpenRTM/ComponentObserver:1.0", listed[0].interface_type.in());
    EXPECT_EQ(1u, listed[0].properties.length());
    SDOPackage::ServiceProfile_var one = ref->get_service_profile("obs-1");
    EXPECT_STREQ("obs-1", one->id.in());
    SDOPackage::SDOService_var service = ref->get_sdo_service("obs-1");
    EXPECT_TRUE(service->_is_equivalent(objref.in()));

    EXPECT_TRUE(config->remove_service_profile("obs-1"));
    EXPECT_FALSE(config->remove_service_profile("obs-1"));
    EXPECT_EQ(0u, SDOPackage::ServiceProfileList_var(ref->get_service_profiles())->length());
    EXPECT_THROW(SDOPackage::ServiceProfile_var(ref->get_service_profile("obs-1")), SDOPackage::InternalError);
    EXPECT_THROW(SDOPackage::SDOService_var(ref->get_sdo_service("obs-1")), SDOPackage::InternalError);
  }

  TEST_F(ComponentObserverTest, ADetachedObserverHearsNothingMoreWhileOthersStillDo)
  {
    RecordingObserver& leaving = attached("leaving");
    RecordingObserver& staying = attached("staying");
    ASSERT_TRUE(config->remove_service_profile("leaving"));

    ASSERT_EQ(RTC::RTC_OK, ec->activate_component(ref.in()));

    // One thread delivers in order, so once the staying observer heard it the other one would have.
    EXPECT_GE(staying.waitFor(OpenRTM::RTC_STATUS, "ACTIVE:0"), 0);
    EXPECT_TRUE(leaving.updates().empty());
  }

  // Every change the observer reports, driven the way tools and peers drive it, in one sequence:
  // each row's update must follow the previous row's.
  TEST_F(ComponentObserverTest, EachChangeReachesTheObserverWithItsKindAndHint)
  {
    RecordingObserver& sut_observer = attached("all");
    SDOPackage::Configuration_ptr conf = config.in();
    RTC::PortService_var x1 = RTC::PortService::_duplicate(sut->x1.getPortRef());
    RTC::PortService_var y1 = RTC::PortService::_duplicate(sut->y1.getPortRef());
    RTC::ConnectorProfile connection;
    RTC::RTObject_impl* host = manager().createComponent("Watched");
    ASSERT_NE(nullptr, host);
    RTC::ExecutionContext_var foreign = host->getExecutionContext(0);
    auto configSet = [](const char* id, const char* gain) {
      SDOPackage::ConfigurationSet cs;
      cs.id = CORBA::string_dup(id);
      cs.description = CORBA::string_dup("");
      cs.configuration_data.length(1);
      cs.configuration_data[0].name = CORBA::string_dup("gain");
      cs.configuration_data[0].value <<= gain;
      return cs;
    };
    const std::string x1Name = instance + ".x1";
    const std::string x2Name = instance + ".x2";

    const struct
    {
      const char* what;
      std::function<void()> act;  // empty: the update follows from the row above
      OpenRTM::StatusKind kind;
      std::string hint;
    } rows[] = {
      {"activate", [&] { ec->activate_component(ref.in()); }, OpenRTM::RTC_STATUS, "ACTIVE:0"},
      {"deactivate", [&] { ec->deactivate_component(ref.in()); }, OpenRTM::RTC_STATUS, "INACTIVE:0"},
      {"fail in onExecute",
       [&] {
         g_failExecute = true;
         ec->activate_component(ref.in());
       },
       OpenRTM::RTC_STATUS, "ERROR:0"},
      {"reset",
       [&] {
         g_failExecute = false;
         ec->reset_component(ref.in());
       },
       OpenRTM::RTC_STATUS, "INACTIVE:0"},
      {"change the rate", [&] { ec->set_rate(500.0); }, OpenRTM::EC_STATUS, "RATE_CHANGED:0"},
      {"stop the context", [&] { ec->stop(); }, OpenRTM::EC_STATUS, "SHUTDOWN:0"},
      {"start it", [&] { ec->start(); }, OpenRTM::EC_STATUS, "STARTUP:0"},
      {"connect y1 to x1",
       [&] {
         connection.name = CORBA::string_dup("loop");
         connection.connector_id = CORBA::string_dup("");
         connection.ports.length(2);
         connection.ports[0] = RTC::PortService::_duplicate(y1.in());
         connection.ports[1] = RTC::PortService::_duplicate(x1.in());
         const char* props[][2] = {{"dataport.interface_type", "corba_cdr"},
                                   {"dataport.dataflow_type", "push"},
                                   {"dataport.subscription_type", "flush"},
                                   {"dataport.data_type", "IDL:RTC/TimedLong:1.0"}};
         connection.properties.length(4);
         for (CORBA::ULong i = 0; i < 4; ++i)
         {
           connection.properties[i].name = CORBA::string_dup(props[i][0]);
           connection.properties[i].value <<= props[i][1];
         }
         ASSERT_EQ(RTC::RTC_OK, y1->connect(connection));
       },
       OpenRTM::PORT_PROFILE, "CONNECT:" + x1Name},
      {"disconnect", [&] { y1->disconnect(connection.connector_id); }, OpenRTM::PORT_PROFILE, "DISCONNECT:" + x1Name},
      {"add a port", [&] { sut->addInPort("x2", sut->x2); }, OpenRTM::PORT_PROFILE, "ADD:" + x2Name},
      {"remove it", [&] { sut->removeInPort(sut->x2); }, OpenRTM::PORT_PROFILE, "REMOVE:" + x2Name},
      {"join a foreign context", [&] { foreign->add_component(ref.in()); }, OpenRTM::EC_STATUS, "ATTACHED:1000"},
      {"leave it", [&] { foreign->remove_component(ref.in()); }, OpenRTM::EC_STATUS, "DETACHED:1000"},
      {"add a set", [&] { conf->add_configuration_set(configSet("fast", "3")); }, OpenRTM::CONFIGURATION,
       "ADD_CONFIG_SET: fast"},
      {"set values of the active set", [&] { conf->set_configuration_set_values(configSet("default", "2")); },
       OpenRTM::CONFIGURATION, "SET_CONFIG_SET: default"},
      {"", nullptr, OpenRTM::CONFIGURATION, "UPDATE_CONFIG_SET: default"},
      {"", nullptr, OpenRTM::CONFIGURATION, "UPDATE_CONFIG_PARAM: default.gain"},
      {"activate the added set", [&] { conf->activate_configuration_set("fast"); }, OpenRTM::CONFIGURATION,
       "ACTIVATE_CONFIG_SET: fast"},
      {"back to default", [&] { conf->activate_configuration_set("default"); }, OpenRTM::CONFIGURATION,
       "ACTIVATE_CONFIG_SET: default"},
      {"remove the added set", [&] { conf->remove_configuration_set("fast"); }, OpenRTM::CONFIGURATION,
       "REMOVE_CONFIG_SET: fast"},
      {"change the profile",
       [&] {
         coil::Properties changed;
         changed.setProperty("version", "9.9");
         changed.setProperty("vendor", "Elsewhere");
         sut->setProperties(changed);
       },
       OpenRTM::COMPONENT_PROFILE, "version,vendor"},
      {"exit", [&] { ref->exit(); }, OpenRTM::RTC_STATUS, "FINALIZE:0"},
    };
    long last = -1;
    for (const auto& row : rows)
    {
      if (row.act)
        row.act();
      const long at = sut_observer.waitFor(row.kind, row.hint, static_cast<size_t>(last + 1));
      ASSERT_GE(at, 0) << row.what << ": no " << row.hint;
      last = at;
    }
    sut = nullptr;  // exit() handed it back to the manager
    manager().deleteComponent(host);
  }

  TEST_F(ComponentObserverTest, ObservedStatusLimitsWhatAnObserverHears)
  {
    RecordingObserver& lifecycle = attached("lifecycle", {{"observed_status", "rtc_status"}});
    RecordingObserver& everything = attached("everything", {{"observed_status", ""}});

    ASSERT_EQ(RTC::RTC_OK, ec->set_rate(200.0));
    ASSERT_EQ(RTC::RTC_OK, ec->activate_component(ref.in()));

    // Updates go out in order: the rate change reached both before the activation did.
    ASSERT_GE(everything.waitFor(OpenRTM::RTC_STATUS, "ACTIVE:0"), 0);
    ASSERT_GE(lifecycle.waitFor(OpenRTM::RTC_STATUS, "ACTIVE:0"), 0);
    EXPECT_EQ(1u, everything.count(OpenRTM::EC_STATUS));
    EXPECT_EQ(0u, lifecycle.count(OpenRTM::EC_STATUS));
    EXPECT_EQ(1u, lifecycle.updates().size());
  }

  TEST_F(ComponentObserverTest, HeartbeatsComeEveryIntervalOnlyToObserversThatAskedForThem)
  {
    RecordingObserver& beating = attached("beating", {{"heartbeat.enable", "YES"}, {"heartbeat.interval", "0.05"}});
    RecordingObserver& quiet = attached("quiet", {{"heartbeat.enable", "NO"}, {"heartbeat.interval", "0.05"}});

    EXPECT_TRUE(testsupport::waitUntil([&] { return beating.count(OpenRTM::HEARTBEAT) >= 3; }, kBound));
    EXPECT_EQ(0u, quiet.count(OpenRTM::HEARTBEAT));
    for (const Update& u : beating.updates())
      EXPECT_EQ("", u.hint);
  }

  class ObserverProcess
  {
  public:
    ObserverProcess() : m_process(testsupport::findProgram("testprograms/observer_host"))
    {
      EXPECT_TRUE(m_process.waitForStdout("\n", kBound));
      const std::string out = m_process.stdoutText();
      const std::string ior = out.substr(4, out.find('\n') - 4);
      ref = manager().getORB()->string_to_object(ior.c_str());
    }
    testsupport::ChildProcess& process() { return m_process; }
    CORBA::Object_var ref;

  private:
    testsupport::ChildProcess m_process;
  };

  TEST_F(ComponentObserverTest, AnObserverWhoseProcessDiedIsDetached)
  {
    ObserverProcess dying;
    ASSERT_TRUE(config->add_service_profile(
      observerProfile("dying", dying.ref.in(), {{"heartbeat.enable", "YES"}, {"heartbeat.interval", "0.02"}})));
    ASSERT_TRUE(dying.process().waitForStdout("5 \n", kBound)) << "no heartbeat arrived";

    dying.process().signal(SIGKILL);
    ASSERT_TRUE(dying.process().waitExit(kBound));

    EXPECT_TRUE(testsupport::waitUntil(
      [&] { return SDOPackage::ServiceProfileList_var(ref->get_service_profiles())->length() == 0; }, kBound));
  }

  // Holds every call until opened, as an observer on a host that stopped answering would: a call
  // to a servant of this process runs on the caller's thread.
  class StuckObserver : public RecordingObserver
  {
  public:
    void update_status(OpenRTM::StatusKind kind, const char* hint) override
    {
      {
        std::unique_lock<std::mutex> lock(m_gateMutex);
        ++m_entered;
        m_gate.wait(lock, [this] { return m_open; });
      }
      RecordingObserver::update_status(kind, hint);
    }
    void open()
    {
      std::lock_guard<std::mutex> lock(m_gateMutex);
      m_open = true;
      m_gate.notify_all();
    }
    bool entered()
    {
      std::lock_guard<std::mutex> lock(m_gateMutex);
      return m_entered > 0;
    }

  private:
    std::mutex m_gateMutex;
    std::condition_variable m_gate;
    bool m_open = false;
    int m_entered = 0;
  };

  // The execution context hands its updates over and goes on: with an observer that never
  // returns, every transition still completes, and the observer hears all of them once it does.
  TEST_F(ComponentObserverTest, AnObserverThatNeverReturnsDelaysNoTransition)
  {
    auto* stuck = new StuckObserver;
    observers.emplace_back(stuck);
    PortableServer::ObjectId_var oid = manager().getPOA()->activate_object(stuck);
    CORBA::Object_var objref = manager().getPOA()->id_to_reference(oid.in());
    ASSERT_TRUE(config->add_service_profile(observerProfile("stuck", objref.in())));
    // Opened on every way out, so that a failure here never leaves a thread stuck in it.
    struct Opener
    {
      StuckObserver* observer;
      ~Opener() { observer->open(); }
    } opener{stuck};

    const int cycles = 20;
    for (int i = 0; i < cycles; ++i)
    {
      ASSERT_EQ(RTC::RTC_OK, ec->activate_component(ref.in()));
      ASSERT_TRUE(
        testsupport::waitUntil([&] { return ec->get_component_state(ref.in()) == RTC::ACTIVE_STATE; }, kBound));
      ASSERT_EQ(RTC::RTC_OK, ec->deactivate_component(ref.in())) << "cycle " << i;
    }
    // The updates go out on a thread of their own, which may reach the observer after the loop.
    EXPECT_TRUE(testsupport::waitUntil([&] { return stuck->entered(); }, kBound));
    stuck->open();
    EXPECT_TRUE(testsupport::waitUntil([&] { return stuck->count(OpenRTM::RTC_STATUS) == 2 * cycles; }, kBound));
  }
}

namespace
{
  TEST(ObserverSwitch, EnabledServicesLetObserversInByTypeNameOrAllAndKeepThemOutOtherwise)
  {
    const struct
    {
      const char* list;
      bool enabled;
    } cases[] = {
      {"", true},
      {"ALL", true},
      {" all ", true},
      {"IDL:OpenRTM/Logger:1.0, IDL:OpenRTM/ComponentObserver:1.0", true},
      {"ComponentObserver", true},
      {"IDL:omg.org/RTC/ComponentObserver:1.0", true},
      {"NONE", false},
      {"IDL:OpenRTM/Logger:1.0", false},
      {"componentobserver", false},
    };
    for (const auto& c : cases)
      EXPECT_EQ(c.enabled, rtm::ComponentObservers::enabledBy(c.list)) << "'" << c.list << "'";
  }
}
