// A component host whose one component, TickProbe0, is written as a middleware 1.1 author writes
// one: it logs through rtclog and the RTC_* macros, hears its own lifecycle through listeners
// (passed with new, one of them as a member function, one that throws once), and is driven by
// whatever execution context rtc.conf names. Listener calls go to standard output, one a line:
//   pre EXECUTE <ec_id> / post EXECUTE <ec_id> <ret> / post ACTIVATED ... / port ADD_PORT <name>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/DataOutPort.h>
#include <rtm/Manager.h>
#include <rtm/idl/BasicDataTypeSkel.h>

#include <iostream>
#include <stdexcept>

using namespace RTC;

namespace
{
  // A profile table keeps its hand layout.
  // clang-format off
  const char* tick_probe_profile[] = {
    "implementation_id", "TickProbe", "type_name", "TickProbe", "description", "Tick probe",
    "version", "1.0.0", "vendor", "TestVendor", "category", "Test", "activity_type", "PERIODIC",
    "kind", "DataFlowComponent", "max_instance", "1", "language", "C++", "lang_type", "compile",
    ""};
  // clang-format on

  class PreAction : public PreComponentActionListener
  {
  public:
    explicit PreAction(const char* what) : m_what(what) {}
    void operator()(UniqueId ec_id) override { std::cout << "pre " << m_what << " " << ec_id << std::endl; }

  private:
    const char* m_what;
  };

  class ThrowsOnce : public PreComponentActionListener
  {
  public:
    void operator()(UniqueId) override
    {
      if (!m_thrown)
      {
        m_thrown = true;
        throw std::runtime_error("listener failure");
      }
    }

  private:
    bool m_thrown = false;
  };

  class PortAction : public PortActionListener
  {
  public:
    void operator()(const PortProfile& profile) override
    {
      std::cout << "port ADD_PORT " << static_cast<const char*>(profile.name) << std::endl;
    }
  };

  class TickProbe : public DataFlowComponentBase
  {
  public:
    explicit TickProbe(Manager* manager) : DataFlowComponentBase(manager), m_outOut("out", m_out) {}

    ReturnCode_t onInitialize() override
    {
      addPortActionListener(ADD_PORT, new PortAction);
      addPreComponentActionListener(PRE_ON_EXECUTE, new ThrowsOnce);
      addPreComponentActionListener(PRE_ON_EXECUTE, new PreAction("EXECUTE"));
      addPostComponentActionListener(POST_ON_EXECUTE, *this, &TickProbe::afterExecute);
      addPostComponentActionListener(POST_ON_ACTIVATED, *this, &TickProbe::afterActivated);
      addOutPort("out", m_outOut);
      RTC_INFO(("initialized with %d port", 1));
      return RTC_OK;
    }

    ReturnCode_t onExecute(UniqueId) override
    {
      ++m_executions;
      RTC_DEBUG(("execute %d", m_executions));
      RTC_TRACE_STR("never at DEBUG " << m_executions);
      return RTC_OK;
    }

    void afterExecute(UniqueId ec_id, ReturnCode_t ret)
    {
      std::cout << "post EXECUTE " << ec_id << " " << ret << std::endl;
    }
    void afterActivated(UniqueId ec_id, ReturnCode_t ret)
    {
      std::cout << "post ACTIVATED " << ec_id << " " << ret << std::endl;
    }

  private:
    TimedLong m_out;
    OutPort<TimedLong> m_outOut;
    int m_executions = 0;
  };

  void tickProbeInit(Manager* manager)
  {
    coil::Properties profile(tick_probe_profile);
    manager->registerFactory(profile, Create<TickProbe>, Delete<TickProbe>);
    RtcBase* comp = manager->createComponent("TickProbe");
    std::cout << (comp != nullptr ? "ready" : "not created") << std::endl;
  }
}

int main(int argc, char** argv)
{
  Manager* manager = Manager::init(argc, argv);
  manager->setModuleInitProc(tickProbeInit);
  manager->activateManager();
  manager->runManager();
  return 0;
}
