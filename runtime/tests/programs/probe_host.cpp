// A component host for the manager's process tests: one "Probe" component that prints each
// lifecycle handler call on standard output, so a test can follow what the runtime does.
//   PROBE_ARGS           createComponent argument (default "Probe")
//   PROBE_FAIL_EXECUTE   onExecute fails on its first call after each activation
//   PROBE_FAIL_RESET     onReset fails
#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>

#include <cstdlib>
#include <iostream>

namespace
{
  // A profile table keeps its hand layout.
  // clang-format off
  const char* const probe_profile_text[] = {
    "implementation_id", "Probe", "type_name", "Probe", "description", "Lifecycle probe",
    "version", "2.0.1", "vendor", "TestVendor", "category", "Test", "activity_type", "PERIODIC",
    "kind", "DataFlowComponent", "max_instance", "3", "language", "C++", "lang_type", "compile",
    ""};
  // clang-format on

  void say(const char* what) { std::cout << what << std::endl; }
  // A handler that has nothing to do but be seen.
  RTC::ReturnCode_t said(const char* what)
  {
    say(what);
    return RTC::RTC_OK;
  }

  class Probe : public RTC::DataFlowComponentBase
  {
  public:
    explicit Probe(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager) {}

    RTC::ReturnCode_t onInitialize() override { return said("initialize"); }
    RTC::ReturnCode_t onFinalize() override { return said("finalize"); }
    RTC::ReturnCode_t onStartup(RTC::UniqueId) override { return said("startup"); }
    RTC::ReturnCode_t onShutdown(RTC::UniqueId) override { return said("shutdown"); }
    RTC::ReturnCode_t onActivated(RTC::UniqueId) override
    {
      m_failed = false;
      say("activated");
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onDeactivated(RTC::UniqueId) override { return said("deactivated"); }
    RTC::ReturnCode_t onAborting(RTC::UniqueId) override { return said("aborting"); }
    RTC::ReturnCode_t onError(RTC::UniqueId) override { return said("error"); }
    RTC::ReturnCode_t onReset(RTC::UniqueId) override
    {
      say("reset");
      return std::getenv("PROBE_FAIL_RESET") ? RTC::RTC_ERROR : RTC::RTC_OK;
    }
    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      say("execute");
      if (std::getenv("PROBE_FAIL_EXECUTE") && !m_failed)
      {
        m_failed = true;
        return RTC::RTC_ERROR;
      }
      return RTC::RTC_OK;
    }

  private:
    bool m_failed = false;
  };

  RTC::RTObject_impl* createProbe(RTC::Manager* manager) { return new Probe(manager); }
  void deleteProbe(RTC::RTObject_impl* rtc) { delete rtc; }

  void moduleInit(RTC::Manager* manager)
  {
    coil::Properties profile(probe_profile_text, 2147483647);
    manager->registerFactory(profile, createProbe, deleteProbe);
    const char* args = std::getenv("PROBE_ARGS");
    if (manager->createComponent(args ? args : "Probe") == nullptr)
    {
      std::cerr << "probe: create failed" << std::endl;
      std::exit(3);
    }
    say("created");
  }
}

int main(int argc, char** argv)
{
  RTC::Manager* manager = RTC::Manager::init(argc, argv);
  manager->setModuleInitProc(moduleInit);
  manager->activateManager();
  manager->runManager(false);
  say("manager returned");
  return 0;
}
