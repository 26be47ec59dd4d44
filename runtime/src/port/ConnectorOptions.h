// Reading a connection's options: the port's own options overlaid by the "dataport.*" properties
// of the connector profile, then by those meant for one direction ("dataport.inport.*").
#pragma once

#include <coil/Properties.h>
#include <rtm/RTC.h>

#include <string>

namespace rtm
{
  // The string value of `name` in `nv`; false if absent or not a string.
  bool findString(const SDOPackage::NVList& nv, const char* name, std::string& value);
  void appendAny(SDOPackage::NVList& nv, const char* name, const CORBA::Any& value);
  // Fills in the byte orders a connection request offers when its profile names none: both,
  // little first, as the middleware's ports do.
  void offerByteOrders(RTC::ConnectorProfile& profile);

  // `direction` is "inport" or "outport".
  coil::Properties connectorOptions(const coil::Properties& portOptions, const SDOPackage::NVList& properties,
                                    const char* direction);

  // Whether a port whose options carry `typesKey` ("provider_types", "consumer_types") offers
  // `interfaceType`: absent, empty or "all" offers everything.
  bool offersInterface(const coil::Properties& portOptions, const char* typesKey, const std::string& interfaceType);

  // A time in seconds ("0.5") as milliseconds; `fallback` if absent or not a positive number.
  unsigned long secondsOption(const coil::Properties& options, const char* key, unsigned long fallback);

  // The lowercase trimmed text of a value, for names compared without regard to case.
  std::string lowerTrimmed(const std::string& text);
}
