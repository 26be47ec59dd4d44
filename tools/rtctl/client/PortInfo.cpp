#include "client/PortInfo.h"

namespace rtctl
{
  PortInfo::PortInfo(const RTC::PortProfile& profile)
    : m_fullName(static_cast<const char*>(profile.name)), m_properties(profile.properties)
  {
    for (CORBA::ULong i = 0; i < profile.interfaces.length(); ++i)
      m_interfaces.push_back({static_cast<const char*>(profile.interfaces[i].instance_name),
                              static_cast<const char*>(profile.interfaces[i].type_name),
                              profile.interfaces[i].polarity == RTC::PROVIDED});
  }

  std::string PortInfo::carries() const
  {
    if (!isService())
      return dataType();
    std::string text;
    for (const Interface& one : m_interfaces)
      text += (text.empty() ? "" : ", ") + one.typeName + "." + one.instanceName +
              (one.provided ? "(provided)" : "(required)");
    return text;
  }

  std::string PortInfo::shortName() const
  {
    const std::string::size_type dot = m_fullName.rfind('.');
    return dot == std::string::npos ? m_fullName : m_fullName.substr(dot + 1);
  }

  std::string PortInfo::direction() const
  {
    if (isInput())
      return "in";
    if (isOutput())
      return "out";
    return portType().empty() ? "unknown" : portType();
  }

  bool PortInfo::hasProperty(const std::string& key) const { return m_properties.has(key); }

  std::string PortInfo::property(const std::string& key) const { return m_properties.value(key); }

  std::string PortInfo::typeName(const std::string& repositoryId)
  {
    std::string name = repositoryId;
    if (name.compare(0, 4, "IDL:") == 0)
      name.erase(0, 4);
    const std::string::size_type colon = name.rfind(':');
    if (colon != std::string::npos)
      name.erase(colon);
    const std::string::size_type slash = name.rfind('/');
    if (slash != std::string::npos)
      name.erase(0, slash + 1);
    return name;
  }
}
