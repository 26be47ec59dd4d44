// A process with one component of the Calculator service, as a user's component would be:
//   calc_host provider [MANAGER OPTIONS]   CalcProvider0, port "calc" providing Calculator "adder"
//   calc_host consumer [MANAGER OPTIONS]   CalcConsumer0, port "calc" requiring Calculator "calc"
// The two name their interfaces differently on purpose: only a connection that says which
// provider serves the consumer (rtctl writes it) joins them. While active, the consumer calls
// add(n, 1) on every tick and prints "N+1=SUM", "call failed: EXCEPTION" or "unconnected" (once
// per change), so that a test sees its calls and that it goes on after one fails.
#include "testsupport/CalculatorServant.h"

#include <rtm/CorbaConsumer.h>
#include <rtm/CorbaPort.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>

#include <cstring>
#include <iostream>
#include <string>

namespace
{
  // A profile table keeps its hand layout.
  // clang-format off
  const char* const calc_provider_profile[] = {
    "implementation_id", "CalcProvider", "type_name", "CalcProvider", "description", "Calculator provider",
    "version", "1.0.0", "vendor", "TestVendor", "category", "Test", "activity_type", "PERIODIC",
    "kind", "DataFlowComponent", "max_instance", "1", "language", "C++", "lang_type", "compile",
    ""};
  const char* const calc_consumer_profile[] = {
    "implementation_id", "CalcConsumer", "type_name", "CalcConsumer", "description", "Calculator consumer",
    "version", "1.0.0", "vendor", "TestVendor", "category", "Test", "activity_type", "PERIODIC",
    "kind", "DataFlowComponent", "max_instance", "1", "language", "C++", "lang_type", "compile",
    ""};
  // clang-format on

  class CalcProvider : public RTC::DataFlowComponentBase
  {
  public:
    explicit CalcProvider(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager), m_port("calc") {}

    RTC::ReturnCode_t onInitialize() override
    {
      m_port.registerProvider("adder", "Calculator", m_servant);
      addPort(m_port);
      return RTC::RTC_OK;
    }

  private:
    RTC::CorbaPort m_port;
    testsupport::CalculatorServant m_servant;
  };

  class CalcConsumer : public RTC::DataFlowComponentBase
  {
  public:
    explicit CalcConsumer(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager), m_port("calc") {}

    RTC::ReturnCode_t onInitialize() override
    {
      m_port.registerConsumer("calc", "Calculator", m_calc);
      addPort(m_port);
      return RTC::RTC_OK;
    }

    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      if (CORBA::is_nil(m_calc._ptr()))
      {
        say("unconnected");
        return RTC::RTC_OK;
      }
      try
      {
        const CORBA::Long sum = m_calc->add(m_next, 1);
        say(std::to_string(m_next) + "+1=" + std::to_string(sum));
        ++m_next;
      }
      catch (const CORBA::SystemException& e)
      {
        say(std::string("call failed: ") + e._name());
      }
      return RTC::RTC_OK;
    }

  private:
    // Repeated lines are printed once, so a long failure does not fill the test's pipe.
    void say(const std::string& line)
    {
      if (line == m_last)
        return;
      m_last = line;
      std::cout << line << std::endl;
    }

    RTC::CorbaPort m_port;
    RTC::CorbaConsumer<ServiceTest::Calculator> m_calc;
    CORBA::Long m_next = 1;
    std::string m_last;
  };

  template <class Component>
  RTC::RTObject_impl* createCalc(RTC::Manager* manager)
  {
    return new Component(manager);
  }
  void deleteCalc(RTC::RTObject_impl* rtc) { delete rtc; }
}

int main(int argc, char** argv)
{
  if (argc < 2 || (std::strcmp(argv[1], "provider") != 0 && std::strcmp(argv[1], "consumer") != 0))
  {
    std::cerr << "usage: calc_host provider|consumer [MANAGER OPTIONS]" << std::endl;
    return 2;
  }
  const bool provider = std::strcmp(argv[1], "provider") == 0;
  argv[1] = argv[0];
  RTC::Manager* manager = RTC::Manager::init(argc - 1, argv + 1);
  manager->activateManager();
  coil::Properties profile(provider ? calc_provider_profile : calc_consumer_profile, 2147483647);
  if (provider)
    manager->registerFactory(profile, createCalc<CalcProvider>, deleteCalc);
  else
    manager->registerFactory(profile, createCalc<CalcConsumer>, deleteCalc);
  if (manager->createComponent(provider ? "CalcProvider" : "CalcConsumer") == nullptr)
  {
    std::cerr << "calc_host: the component could not be created" << std::endl;
    return 3;
  }
  std::cout << "ready" << std::endl;
  manager->runManager(false);
  return 0;
}
