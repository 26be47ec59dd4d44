// RTC::ConnectorInfo: what a data port tells its listeners and callers about one connection: the
// profile's name and id, its ports (as stringified references) and the options it runs with.
#ifndef RTM_CONNECTORBASE_H
#define RTM_CONNECTORBASE_H

#include <coil/Properties.h>
#include <coil/stringutil.h>

#include <string>
#include <vector>

namespace RTC
{
  class ConnectorInfo
  {
  public:
    ConnectorInfo() {}
    ConnectorInfo(const char* name_, const char* id_, coil::vstring ports_, coil::Properties properties_)
      : name(name_), id(id_), ports(ports_), properties(properties_)
    {}

    std::string name;
    std::string id;
    coil::vstring ports;
    // The port's options overlaid by the connection's "dataport.*" properties, prefix removed
    // ("dataflow_type", "subscription_type", "serializer.cdr.endian", ...).
    coil::Properties properties;
  };

  typedef std::vector<ConnectorInfo> ConnectorInfoList;
}

#endif
