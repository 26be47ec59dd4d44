#include "port/ConnectionRequest.h"

#include "port/ConnectorOptions.h"
#include "log/Logger.h"

#include <cstdlib>

namespace rtm
{
  namespace
  {
    // "IDL:RTC/TimedLong:1.0", "RTC/TimedLong", "RTC::TimedLong" -> "RTC/TimedLong".
    std::string scopedName(std::string id)
    {
      if (id.compare(0, 4, "IDL:") == 0)
      {
        id.erase(0, 4);
        const auto version = id.rfind(':');
        if (version != std::string::npos)
          id.erase(version);
      }
      for (std::string::size_type at; (at = id.find("::")) != std::string::npos;)
        id.replace(at, 2, "/");
      return id;
    }
  }

  // Names that denote the same IDL type in the forms users and tools write them; anything with
  // a scope must match the scope as well.
  bool sameDataType(const std::string& given, const std::string& own)
  {
    const std::string a = scopedName(given);
    const std::string b = scopedName(own);
    if (a == b)
      return true;
    if (a.find('/') != std::string::npos)
      return false;
    const auto slash = b.rfind('/');
    return slash != std::string::npos && b.compare(slash + 1, std::string::npos, a) == 0;
  }

  const char* const kCallTimeoutOption = "corba_cdr.call_timeout";

  RTC::ReturnCode_t ConnectionRequest::parse(const RTC::ConnectorProfile& profile, const coil::Properties& portOptions,
                                             Direction direction, const std::string& ownDataType)
  {
    const bool in = direction == Direction::In;
    options = connectorOptions(portOptions, profile.properties, in ? "inport" : "outport");

    const std::string flow = lowerTrimmed(options.getProperty("dataflow_type"));
    if (flow != "push" && flow != "pull")
    {
      problem = "dataport.dataflow_type '" + flow + "' is neither push nor pull";
      return RTC::BAD_PARAMETER;
    }
    pull = flow == "pull";

    // Peers compare the whole string: "corba_cdr,foo" is not an interface type.
    const std::string interfaceType = options.getProperty("interface_type");
    const char* offeredBy = (in != pull) ? "provider_types" : "consumer_types";
    if (interfaceType != "corba_cdr" || !offersInterface(portOptions, offeredBy, interfaceType))
    {
      problem = "dataport.interface_type '" + interfaceType + "' is not offered (corba_cdr is)";
      return RTC::BAD_PARAMETER;
    }

    // Peers of the 1.1 middleware would accept this and decode garbage.
    std::string dataType;
    if (findString(profile.properties, "dataport.data_type", dataType) && !dataType.empty() &&
        !sameDataType(dataType, ownDataType))
    {
      problem = "dataport.data_type '" + dataType + "' differs from the port's " + ownDataType;
      return RTC::BAD_PARAMETER;
    }

    order = ByteOrder::Little;
    if (options.findNode("serializer") != nullptr &&
        !parseEndianOption(options.getProperty("serializer.cdr.endian"), order))
    {
      problem = "serializer.cdr.endian '" + options.getProperty("serializer.cdr.endian") +
                "' names neither little nor big first";
      return RTC::UNSUPPORTED;
    }

    callTimeoutMs =
      secondsOption(options, kCallTimeoutOption, secondsOption(portOptions, kCallTimeoutOption, kDefaultCallTimeoutMs));
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t ConnectionRequest::accept(const RTC::ConnectorProfile& profile, const coil::Properties& portOptions,
                                              Direction direction, const std::string& ownDataType,
                                              std::size_t connections, const std::string& portName)
  {
    const RTC::ReturnCode_t checked = parse(profile, portOptions, direction, ownDataType);
    if (checked != RTC::RTC_OK)
    {
      RTM_LOG_WARN("port", portName << ": connection '" << profile.connector_id.in() << "' refused: " << problem);
      return checked;
    }
    const long limit = std::strtol(portOptions.getProperty("connection_limit", "-1").c_str(), nullptr, 10);
    if (limit >= 0 && connections >= static_cast<std::size_t>(limit))
    {
      RTM_LOG_WARN("port", portName << ": connection refused: connection_limit " << limit << " reached");
      return RTC::RTC_ERROR;
    }
    return RTC::RTC_OK;
  }
}
