#include "BenchPorts.h"

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

  void addStringProperty(SDOPackage::NVList& list, const char* name, const char* value)
  {
    const CORBA::ULong i = list.length();
    list.length(i + 1);
    list[i].name = CORBA::string_dup(name);
    list[i].value <<= value;
  }

  RTC::ConnectorProfile pushFlushProfile(const char* name)
  {
    RTC::ConnectorProfile cp;
    cp.name = CORBA::string_dup(name);
    cp.connector_id = CORBA::string_dup("");
    addStringProperty(cp.properties, "dataport.interface_type", "corba_cdr");
    addStringProperty(cp.properties, "dataport.dataflow_type", "push");
    addStringProperty(cp.properties, "dataport.subscription_type", "flush");
    addStringProperty(cp.properties, "dataport.data_type", "IDL:RTC/TimedLong:1.0");
    return cp;
  }

  RTC::ReturnCode_t connectPorts(RTC::PortService_ptr out, RTC::PortService_ptr in)
  {
    RTC::ConnectorProfile cp = pushFlushProfile("bench_x1");
    cp.ports.length(2);
    cp.ports[0] = RTC::PortService::_duplicate(out);
    cp.ports[1] = RTC::PortService::_duplicate(in);
    return out->connect(cp);
  }

  RTC::ReturnCode_t connectToServant(CORBA::ORB_ptr orb, RTC::PortService_ptr out, CORBA::Object_ptr servant)
  {
    RTC::ConnectorProfile cp = pushFlushProfile("bench_y");
    cp.ports.length(1);
    cp.ports[0] = RTC::PortService::_duplicate(out);
    CORBA::String_var ior = orb->object_to_string(servant);
    addStringProperty(cp.properties, "dataport.corba_cdr.inport_ior", ior.in());
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
