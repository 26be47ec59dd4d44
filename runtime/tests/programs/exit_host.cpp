// A component host that never shuts its manager down: it creates two components, waits for a
// line on standard input, exits one of them (so that the manager's worker has a component to
// destroy at that moment) and leaves the process without a shutdown, as EXIT_HOST_MODE says:
//   return   main returns
//   thread   another thread calls exit(0) while main blocks in runManager
//   execute  the other component's onExecute calls exit(0), on its execution context's thread
//   worker   the exited component's destructor, which the worker runs, calls exit(0)
// Each component prints "finalize NAME" and "deleted NAME", so that a test sees what the exit
// left undone.
#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{
  // A profile table keeps its hand layout.
  // clang-format off
  const char* const exit_probe_profile[] = {
    "implementation_id", "ExitProbe", "type_name", "ExitProbe", "description", "Exit probe",
    "version", "1.0.0", "vendor", "TestVendor", "category", "Test", "activity_type", "PERIODIC",
    "kind", "DataFlowComponent", "max_instance", "2", "language", "C++", "lang_type", "compile",
    ""};
  // clang-format on

  std::string mode()
  {
    const char* text = std::getenv("EXIT_HOST_MODE");
    return text != nullptr ? text : "return";
  }

  class ExitProbe : public RTC::DataFlowComponentBase
  {
  public:
    explicit ExitProbe(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager) {}
    ~ExitProbe() override
    {
      std::cout << "deleted " << m_name << std::endl;
      if (exitOnDelete)
        std::exit(0);
    }

    RTC::ReturnCode_t onInitialize() override
    {
      m_name = getInstanceName();
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      if (exitOnExecute)
        std::exit(0);
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onFinalize() override
    {
      std::cout << "finalize " << m_name << std::endl;
      return RTC::RTC_OK;
    }

    bool exitOnDelete = false;
    bool exitOnExecute = false;

  private:
    std::string m_name;
  };

  RTC::RTObject_impl* createExitProbe(RTC::Manager* manager) { return new ExitProbe(manager); }
  void deleteExitProbe(RTC::RTObject_impl* rtc) { delete rtc; }
}

int main(int argc, char** argv)
{
  RTC::Manager* manager = RTC::Manager::init(argc, argv);
  manager->activateManager();
  coil::Properties profile(exit_probe_profile, 2147483647);
  manager->registerFactory(profile, createExitProbe, deleteExitProbe);
  auto* kept = dynamic_cast<ExitProbe*>(manager->createComponent("ExitProbe"));
  auto* exited = dynamic_cast<ExitProbe*>(manager->createComponent("ExitProbe"));
  if (kept == nullptr || exited == nullptr)
  {
    std::cerr << "exit_host: create failed" << std::endl;
    return 3;
  }
  manager->runManager(true);
  std::cout << "ready" << std::endl;
  std::string line;
  std::getline(std::cin, line);

  exited->exitOnDelete = mode() == "worker";
  exited->exit();
  if (mode() == "thread")
  {
    // Main blocks in runManager meanwhile, as a daemon's does; should it return, it must not
    // end the process a second time.
    std::thread([] { std::exit(0); }).detach();
    manager->runManager(false);
    for (;;)
      ::pause();
  }
  if (mode() == "execute")
  {
    kept->exitOnExecute = true;
    RTC::ExecutionContext_var context = kept->get_context(0);
    context->activate_component(kept->getObjRef());
    manager->runManager(false);
  }
  if (mode() == "worker")
    manager->runManager(false);
  return 0;
}
