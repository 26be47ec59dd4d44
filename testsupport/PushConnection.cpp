#include "testsupport/PushConnection.h"

namespace testsupport
{
  RTC::ConnectorProfile pushProfile(const char* name, RTC::PortService_ptr out, RTC::PortService_ptr in,
                                    const std::string& subscription)
  {
    RTC::ConnectorProfile cp;
    cp.name = CORBA::string_dup(name);
    cp.connector_id = CORBA::string_dup("");
    for (RTC::PortService_ptr port : {out, in})
    {
      if (CORBA::is_nil(port))
        continue;
      const CORBA::ULong n = cp.ports.length();
      cp.ports.length(n + 1);
      cp.ports[n] = RTC::PortService::_duplicate(port);
    }
    addProperty(cp.properties, "dataport.interface_type", "corba_cdr");
    addProperty(cp.properties, "dataport.dataflow_type", "push");
    addProperty(cp.properties, "dataport.subscription_type", subscription);
    addProperty(cp.properties, "dataport.data_type", "IDL:RTC/TimedLong:1.0");
    return cp;
  }

  void addProperty(SDOPackage::NVList& list, const char* name, const std::string& value)
  {
    const CORBA::ULong i = list.length();
    list.length(i + 1);
    list[i].name = CORBA::string_dup(name);
    list[i].value <<= value.c_str();
  }
}
