#include "manager/PortPreconnect.h"

#include "sdo/NVUtil.h"

#include <rtm/detail/ReturnCodeName.h>

namespace rtm
{
  namespace
  {
    // The port whose profile carries `fullName` ("Comp0.port0"), or nil.
    RTC::PortService_ptr findPort(RTC::RTObject_ptr comp, const std::string& fullName)
    {
      RTC::PortServiceList_var ports = comp->get_ports();
      for (CORBA::ULong i = 0; i < ports->length(); ++i)
      {
        RTC::PortProfile_var profile = ports[i]->get_port_profile();
        if (fullName == static_cast<const char*>(profile->name))
          return RTC::PortService::_duplicate(ports[i].in());
      }
      return RTC::PortService::_nil();
    }
  }

  bool connectPreconnection(const config::Preconnection& connection, RTC::RTObject_ptr comp0, RTC::RTObject_ptr comp1,
                            std::string& error)
  {
    try
    {
      RTC::PortService_var port0 = findPort(comp0, connection.port0);
      RTC::PortService_var port1 = findPort(comp1, connection.port1);
      if (CORBA::is_nil(port0) || CORBA::is_nil(port1))
      {
        error = "no port '" + (CORBA::is_nil(port0) ? connection.port0 : connection.port1) + "'";
        return false;
      }
      RTC::ConnectorProfile profile;
      profile.name = CORBA::string_dup((connection.port0 + "_" + connection.port1).c_str());
      profile.connector_id = CORBA::string_dup("");
      profile.ports.length(2);
      profile.ports[0] = RTC::PortService::_duplicate(port0.in());
      profile.ports[1] = RTC::PortService::_duplicate(port1.in());
      appendProperties(profile.properties, connection.properties);
      const RTC::ReturnCode_t ret = port0->connect(profile);
      if (ret != RTC::RTC_OK)
      {
        error = std::string("the ports refused the connection (") + returnCodeName(ret) + ")";
        return false;
      }
      return true;
    }
    catch (const CORBA::Exception& e)
    {
      error = std::string("connecting failed: ") + e._name();
      return false;
    }
  }
}
