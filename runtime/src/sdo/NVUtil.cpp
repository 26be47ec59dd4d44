#include "sdo/NVUtil.h"

namespace rtm
{
  void appendString(SDOPackage::NVList& nv, const std::string& name, const std::string& value)
  {
    const CORBA::ULong n = nv.length();
    nv.length(n + 1);
    nv[n].name = CORBA::string_dup(name.c_str());
    nv[n].value <<= value.c_str();
  }

  void appendProperties(SDOPackage::NVList& nv, const coil::Properties& prop)
  {
    for (const std::string& key : prop.propertyNames())
      appendString(nv, key, prop.getProperty(key));
  }

  coil::Properties toProperties(const SDOPackage::NVList& nv)
  {
    coil::Properties prop;
    for (CORBA::ULong i = 0; i < nv.length(); ++i)
    {
      const char* value = nullptr;
      if (nv[i].value >>= value)
        prop.setProperty(static_cast<const char*>(nv[i].name), value);
    }
    return prop;
  }
}
