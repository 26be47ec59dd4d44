#include "WriterComponent.h"

namespace bench
{
  namespace
  {
    RTC::RTObject_impl* create(RTC::Manager* manager) { return new WriterComponent(manager); }
    void destroy(RTC::RTObject_impl* rtc) { delete rtc; }
  }

  WriterComponent::WriterComponent(RTC::Manager* manager)
    : RTC::DataFlowComponentBase(manager), m_sample(), m_outPort("out", m_sample)
  {}

  RTC::ReturnCode_t WriterComponent::onInitialize()
  {
    addOutPort("out", m_outPort);
    return RTC::RTC_OK;
  }

  bool WriterComponent::write(CORBA::Long seq)
  {
    m_sample.data = seq;
    return m_outPort.write();
  }

  WriterComponent* createWriter(RTC::Manager* manager, const char* typeName)
  {
    // A profile table keeps its hand layout.
    // clang-format off
    const char* const table[] = {
      "implementation_id", typeName, "type_name", typeName, "description", "Benchmark writer",
      "version", "1.0.0", "vendor", "bench", "category", "bench", "activity_type", "PERIODIC",
      "kind", "DataFlowComponent", "max_instance", "1", "language", "C++", "lang_type", "compile", ""};
    // clang-format on
    coil::Properties profile(table, 2147483647);
    manager->registerFactory(profile, create, destroy);
    return dynamic_cast<WriterComponent*>(manager->createComponent(typeName));
  }
}
