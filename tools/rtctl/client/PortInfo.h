// What a port's profile says, read once into plain C++: its names, kind, data type and
// properties. Keeps the CORBA types at the edge, so the checks built on it need no ORB.
#pragma once

#include "client/NameValues.h"

#include <rtm/idl/RTC.hh>

#include <string>
#include <utility>
#include <vector>

namespace rtctl
{
  class PortInfo
  {
  public:
    PortInfo() = default;
    explicit PortInfo(const RTC::PortProfile& profile);

    // "Trimul0.x1" as the port publishes it, and "x1" as users type it.
    const std::string& fullName() const { return m_fullName; }
    std::string shortName() const;
    // "DataInPort", "DataOutPort", "CorbaPort"...; empty when the port does not say.
    std::string portType() const { return property("port.port_type"); }
    std::string dataType() const { return property("dataport.data_type"); }
    bool isInput() const { return portType() == "DataInPort"; }
    bool isOutput() const { return portType() == "DataOutPort"; }
    // "in", "out", or the port type itself for anything else.
    std::string direction() const;

    // The value of a property, or "" when absent.
    std::string property(const std::string& key) const;
    bool hasProperty(const std::string& key) const;
    const std::vector<std::pair<std::string, std::string>>& properties() const { return m_properties.pairs(); }

    // "IDL:RTC/TimedLong:1.0" → "TimedLong"; anything else unchanged.
    static std::string typeName(const std::string& repositoryId);

  private:
    std::string m_fullName;
    NameValues m_properties;
  };
}
