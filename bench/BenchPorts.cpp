#include "BenchPorts.h"

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
}
