// Conversions between property trees and the NVLists that carry them over CORBA, as the runtime
// uses them; built on the public NVUtil (rtm/NVUtil.h), the one implementation.
#pragma once

#include <coil/Properties.h>
#include <rtm/NVUtil.h>
#include <rtm/RTC.h>

#include <string>

namespace rtm
{
  // Appends every entry of `prop` as a string-valued NameValue, in the tree's key order.
  void appendProperties(SDOPackage::NVList& nv, const coil::Properties& prop);
  void appendString(SDOPackage::NVList& nv, const std::string& name, const std::string& value);
  // Entries whose value is not a string are skipped, as peers of this middleware do.
  coil::Properties toProperties(const SDOPackage::NVList& nv);
}
