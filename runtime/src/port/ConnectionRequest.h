// What a port understands of a connector profile, checked once in the first handshake step so
// that a connection this port cannot serve is refused before anything is built for it.
#pragma once

#include "transport/CdrCodec.h"

#include <coil/Properties.h>
#include <rtm/RTC.h>

#include <cstddef>
#include <string>

namespace rtm
{
  enum class Direction
  {
    In,
    Out
  };

  class ConnectionRequest
  {
  public:
    // Returns the code the handshake answers with; RTC_OK fills the fields below.
    RTC::ReturnCode_t parse(const RTC::ConnectorProfile& profile, const coil::Properties& portOptions,
                            Direction direction, const std::string& ownDataType);
    // parse(), then the port's connection_limit against the `connections` it has: a refusal is one
    // warning naming the port and why.
    RTC::ReturnCode_t accept(const RTC::ConnectorProfile& profile, const coil::Properties& portOptions,
                             Direction direction, const std::string& ownDataType, std::size_t connections,
                             const std::string& portName);

    coil::Properties options;  // port options overlaid by the profile's dataport.* properties
    bool pull = false;
    ByteOrder order = ByteOrder::Little;
    unsigned long callTimeoutMs = 0;
    std::string problem;  // why the profile was refused, for the log
  };

  // Whether a connector's "dataport.data_type" names the port's own type: the repository ID, or
  // the scoped or bare type name ("RTC/TimedLong", "RTC::TimedLong", "TimedLong").
  bool sameDataType(const std::string& given, const std::string& own);

  // The option naming the longest time one call to a peer may take, in seconds.
  extern const char* const kCallTimeoutOption;
  const unsigned long kDefaultCallTimeoutMs = 1000;
}
