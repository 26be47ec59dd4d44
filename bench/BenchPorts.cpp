#include "BenchPorts.h"

#include "testsupport/PushConnection.h"

#include <cstdint>

namespace bench
{
  RTC::PortService_ptr findPort(RTC::RTObject_ptr rtc, const std::string& name)
  {
    RTC::PortServiceList_var ports = rtc->get_ports();
    const std::string suffix = "." + name;
    for (CORBA::ULong i = 0; i < ports->length(); ++i)
    {
      RTC::PortProfile_var profile = ports[i]->get_port_profile();
      const std::string full = profile->name.in();
      if (full.size() > suffix.size() && full.compare(full.size() - suffix.size(), suffix.size(), suffix) == 0)
        return RTC::PortService::_duplicate(ports[i]);
    }
    return RTC::PortService::_nil();
  }

  RTC::ReturnCode_t connectPorts(RTC::PortService_ptr out, RTC::PortService_ptr in)
  {
    RTC::ConnectorProfile cp = testsupport::pushProfile("bench_x1", out, in);
    return out->connect(cp);
  }

  RTC::ReturnCode_t connectToServant(CORBA::ORB_ptr orb, RTC::PortService_ptr out, CORBA::Object_ptr servant)
  {
    RTC::ConnectorProfile cp = testsupport::pushProfile("bench_y", out, RTC::PortService::_nil());
    CORBA::String_var ior = orb->object_to_string(servant);
    testsupport::addProperty(cp.properties, "dataport.corba_cdr.inport_ior", ior.in());
    const CORBA::ULong i = cp.properties.length();
    cp.properties.length(i + 1);
    cp.properties[i].name = CORBA::string_dup("dataport.corba_cdr.inport_ref");
    cp.properties[i].value <<= servant;
    return out->connect(cp);
  }

  void encodeTimedLong(OpenRTM::CdrData& data, CORBA::Long value)
  {
    data.length(12);
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 8; ++i)
      data[i] = 0;
    for (int i = 0; i < 4; ++i)
      data[8 + i] = static_cast<CORBA::Octet>(v >> (8 * i));
  }
}
