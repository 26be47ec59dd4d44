// The receiving end of the sequence figures: a host of one component with an
// InPort<TimedDoubleSeq> "in", left inactive, so that what is measured is the push alone (each put
// is decoded into the port's buffer; nobody reads it). Binds SeqReader0.
//   seq_reader [MANAGER OPTIONS...]
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/InPort.h>
#include <rtm/Manager.h>

#include <iostream>

namespace
{
  class SeqReader : public RTC::DataFlowComponentBase
  {
  public:
    explicit SeqReader(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager), m_in("in", m_sample) {}

    RTC::ReturnCode_t onInitialize() override
    {
      addInPort("in", m_in);
      return RTC::RTC_OK;
    }

  private:
    RTC::TimedDoubleSeq m_sample;
    RTC::InPort<RTC::TimedDoubleSeq> m_in;
  };

  // A profile table keeps its hand layout.
  // clang-format off
  const char* const kSpec[] = {
    "implementation_id", "SeqReader", "type_name", "SeqReader", "description", "Benchmark sequence reader",
    "version", "1.0.0", "vendor", "bench", "category", "bench", "activity_type", "PERIODIC",
    "kind", "DataFlowComponent", "max_instance", "1", "language", "C++", "lang_type", "compile", ""};
  // clang-format on

  RTC::RTObject_impl* create(RTC::Manager* manager) { return new SeqReader(manager); }
  void destroy(RTC::RTObject_impl* rtc) { delete rtc; }

  void moduleInit(RTC::Manager* manager)
  {
    coil::Properties profile(kSpec, 2147483647);
    manager->registerFactory(profile, create, destroy);
    if (manager->createComponent("SeqReader") == nullptr)
      std::cerr << "seq_reader: the component was not created\n";
  }
}

int main(int argc, char** argv)
{
  RTC::Manager* manager = RTC::Manager::init(argc, argv);
  manager->setModuleInitProc(moduleInit);
  manager->activateManager();
  manager->runManager(false);
  return 0;
}
