// The middleware's helpers over name-value lists (SDOPackage::NVList): the properties of
// profiles and connections as they travel over CORBA.
#ifndef RTM_NVUTIL_H
#define RTM_NVUTIL_H

#include <rtm/RTC.h>
#include <coil/Properties.h>

#include <string>

namespace NVUtil
{
  template <class Value>
  SDOPackage::NameValue newNV(const char* name, Value value)
  {
    SDOPackage::NameValue nv;
    nv.name = CORBA::string_dup(name);
    nv.value <<= value;
    return nv;
  }
  // A string value is copied, never adopted (the Any would take a char* for its own).
  SDOPackage::NameValue newNV(const char* name, const char* value);
  SDOPackage::NameValue newNV(const char* name, char* value);

  // Replaces the list's content with one string entry per key of `prop`.
  void copyFromProperties(SDOPackage::NVList& nv, const coil::Properties& prop);
  // Sets a key of `prop` for every string-valued entry; others are skipped.
  void copyToProperties(coil::Properties& prop, const SDOPackage::NVList& nv);
  coil::Properties toProperties(const SDOPackage::NVList& nv);

  // The value of the first entry named `name`; an empty Any if there is none.
  const CORBA::Any& find(const SDOPackage::NVList& nv, const char* name);
  // The index of the first entry named `name`, or -1.
  CORBA::Long find_index(const SDOPackage::NVList& nv, const char* name);
  bool isString(const SDOPackage::NVList& nv, const char* name);
  bool isStringValue(const SDOPackage::NVList& nv, const char* name, const char* value);
  // The string value of `name`; empty if it is absent or not a string.
  std::string toString(const SDOPackage::NVList& nv, const char* name);
  // Adds `value` to the comma list `name` holds (or a new entry), unless it is there already;
  // false if `name` holds something other than a string.
  bool appendStringValue(SDOPackage::NVList& nv, const char* name, const char* value);
  void append(SDOPackage::NVList& dest, const SDOPackage::NVList& src);
  // Every entry as "name: value", one a line.
  std::string toString(const SDOPackage::NVList& nv);
  // The same on standard output.
  void dump(const SDOPackage::NVList& nv);
}  // namespace NVUtil

#endif  // RTM_NVUTIL_H
