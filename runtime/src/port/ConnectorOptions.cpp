#include "port/ConnectorOptions.h"

#include "sdo/NVUtil.h"

#include <coil/stringutil.h>

#include <cmath>
#include <cstdlib>

namespace rtm
{
  bool findString(const SDOPackage::NVList& nv, const char* name, std::string& value)
  {
    for (CORBA::ULong i = 0; i < nv.length(); ++i)
    {
      if (std::string(nv[i].name.in()) != name)
        continue;
      const char* text = nullptr;
      if (!(nv[i].value >>= text))
        return false;
      value = text;
      return true;
    }
    return false;
  }

  void appendAny(SDOPackage::NVList& nv, const char* name, const CORBA::Any& value)
  {
    const CORBA::ULong n = nv.length();
    nv.length(n + 1);
    nv[n].name = CORBA::string_dup(name);
    nv[n].value = value;
  }

  void offerByteOrders(RTC::ConnectorProfile& profile)
  {
    std::string endian;
    if (!findString(profile.properties, "dataport.serializer.cdr.endian", endian))
      appendString(profile.properties, "dataport.serializer.cdr.endian", "little,big");
  }

  coil::Properties connectorOptions(const coil::Properties& portOptions, const SDOPackage::NVList& properties,
                                    const char* direction)
  {
    coil::Properties options(portOptions);
    const coil::Properties all = toProperties(properties);
    if (const coil::Properties* common = all.findNode("dataport"))
    {
      options << *common;
      if (const coil::Properties* own = common->findNode(direction))
        options << *own;
    }
    return options;
  }

  bool offersInterface(const coil::Properties& portOptions, const char* typesKey, const std::string& interfaceType)
  {
    const std::string offered = lowerTrimmed(portOptions.getProperty(typesKey));
    if (offered.empty())
      return true;
    for (std::string type : coil::split(offered, ","))
    {
      type = lowerTrimmed(type);
      if (type == "all" || type == interfaceType)
        return true;
    }
    return false;
  }

  unsigned long secondsOption(const coil::Properties& options, const char* key, unsigned long fallback)
  {
    const std::string text = options.getProperty(key);
    if (text.empty())
      return fallback;
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0.0 || seconds > 3600.0)
      return fallback;
    return static_cast<unsigned long>(std::ceil(seconds * 1000.0));
  }

  std::string lowerTrimmed(const std::string& text)
  {
    std::string word = text;
    coil::eraseBothEndsBlank(word);
    coil::toLower(word);
    return word;
  }
}
