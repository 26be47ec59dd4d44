// A component module for the manager's tests, besides Trimul.so:
//   TestModuleInit  registers "Counter", a component without ports and without an instance limit,
//                   and "Slow", whose initialisation says "initializing" on standard output and
//                   then takes half a second, so that a creation is surely under way for a while;
//   ThrowingInit    registers "Half" and then throws, as a broken module's init function might.
#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>

#include <chrono>
#include <iostream>
#include <stdexcept>
#include <thread>

namespace
{
  class Counter : public RTC::DataFlowComponentBase
  {
  public:
    explicit Counter(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager) {}
  };

  class Slow : public RTC::DataFlowComponentBase
  {
  public:
    explicit Slow(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager) {}
    RTC::ReturnCode_t onInitialize() override
    {
      std::cout << "initializing" << std::endl;
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      return RTC::RTC_OK;
    }
  };

  template <class Component>
  RTC::RTObject_impl* create(RTC::Manager* manager)
  {
    return new Component(manager);
  }
  void destroy(RTC::RTObject_impl* rtc) { delete rtc; }

  template <class Component>
  void registerType(RTC::Manager* manager, const char* name)
  {
    // A profile table keeps its hand layout.
    // clang-format off
    const char* const profileText[] = {"implementation_id", name, "type_name", name, "category", "Test",
                                       "vendor", "Tests", "version", "1.0", ""};
    // clang-format on
    coil::Properties profile(profileText);
    manager->registerFactory(profile, create<Component>, destroy);
  }
}

extern "C"
{
  void TestModuleInit(RTC::Manager* manager)
  {
    registerType<Counter>(manager, "Counter");
    registerType<Slow>(manager, "Slow");
  }

  void ThrowingInit(RTC::Manager* manager)
  {
    registerType<Counter>(manager, "Half");
    throw std::runtime_error("init function failed half-way");
  }
}
