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
    // A service port, which carries the interfaces below instead of a data type.
    bool isService() const { return portType() == "CorbaPort"; }
    // "in", "out", or the port type itself for anything else.
    std::string direction() const;

    // A service port's provided and required interfaces, in the order the port lists them.
    struct Interface
    {
      std::string instanceName;
      std::string typeName;
      bool provided;
    };
    const std::vector<Interface>& interfaces() const { return m_interfaces; }
    // What the port carries, for listings: the data type, or "Calculator.adder(provided), ..."
    std::string carries() const;

    // The value of a property, or "" when absent.
    std::string property(const std::string& key) const;
    bool hasProperty(const std::string& key) const;
    const std::vector<std::pair<std::string, std::string>>& properties() const { return m_properties.pairs(); }

    // "IDL:RTC/TimedLong:1.0" → "TimedLong"; anything else unchanged.
    static std::string typeName(const std::string& repositoryId);

  private:
    std::string m_fullName;
    NameValues m_properties;
    std::vector<Interface> m_interfaces;
  };
}
