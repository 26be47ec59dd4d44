#include "testsupport/TimedLongPeer.h"

namespace testsupport
{
  namespace
  {
    RTC::RTObject_impl* makePeer(RTC::Manager* manager) { return new TimedLongPeer(manager); }
    void deletePeer(RTC::RTObject_impl* rtc) { delete rtc; }
  }

  TimedLongPeer::TimedLongPeer(RTC::Manager* manager)
    : RTC::DataFlowComponentBase(manager), out("out", outSample), in1("in1", in1Sample), in2("in2", in2Sample),
      in3("in3", in3Sample), ins{{&in1, &in2, &in3}}, inSamples{{&in1Sample, &in2Sample, &in3Sample}}
  {}

  TimedLongPeer::TimedLongPeer(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa)
    : RTC::DataFlowComponentBase(orb, poa), out("out", outSample), in1("in1", in1Sample), in2("in2", in2Sample),
      in3("in3", in3Sample), ins{{&in1, &in2, &in3}}, inSamples{{&in1Sample, &in2Sample, &in3Sample}}
  {}

  TimedLongPeer* TimedLongPeer::create(RTC::Manager* manager, const char* typeName)
  {
    // A profile table keeps its hand layout.
    // clang-format off
    const char* const table[] = {
      "implementation_id", typeName, "type_name", typeName, "description", "TimedLong peer",
      "version", "1.0.0", "vendor", "test", "category", "test", "activity_type", "PERIODIC",
      "kind", "DataFlowComponent", "max_instance", "1", "language", "C++", "lang_type", "compile", ""};
    // clang-format on
    coil::Properties profile(table, 2147483647);
    manager->registerFactory(profile, makePeer, deletePeer);
    return dynamic_cast<TimedLongPeer*>(manager->createComponent(typeName));
  }

  RTC::ReturnCode_t TimedLongPeer::onInitialize() { return addPorts() ? RTC::RTC_OK : RTC::RTC_ERROR; }

  bool TimedLongPeer::addPorts()
  {
    bool added = addOutPort("out", out);
    for (size_t k = 0; k < ins.size(); ++k)
      added = addInPort(("in" + std::to_string(k + 1)).c_str(), *ins[k]) && added;
    return added;
  }

  bool TimedLongPeer::write(CORBA::Long value)
  {
    outSample.data = value;
    return out.write();
  }
}
