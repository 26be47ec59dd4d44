// NVUtil, the one implementation of name-value lists: the public helpers, and the runtime's own
// conversions built on them.
#include "sdo/NVUtil.h"

#include <coil/stringutil.h>

#include <iostream>
#include <sstream>

namespace NVUtil
{
  SDOPackage::NameValue newNV(const char* name, const char* value)
  {
    SDOPackage::NameValue nv;
    nv.name = CORBA::string_dup(name);
    nv.value <<= value;
    return nv;
  }

  SDOPackage::NameValue newNV(const char* name, char* value) { return newNV(name, static_cast<const char*>(value)); }

  void copyFromProperties(SDOPackage::NVList& nv, const coil::Properties& prop)
  {
    const std::vector<std::string> keys = prop.propertyNames();
    nv.length(static_cast<CORBA::ULong>(keys.size()));
    for (CORBA::ULong i = 0; i < keys.size(); ++i)
      nv[i] = newNV(keys[i].c_str(), prop.getProperty(keys[i]).c_str());
  }

  void copyToProperties(coil::Properties& prop, const SDOPackage::NVList& nv)
  {
    for (CORBA::ULong i = 0; i < nv.length(); ++i)
    {
      const char* value = nullptr;
      if (nv[i].value >>= value)
        prop.setProperty(static_cast<const char*>(nv[i].name), value);
    }
  }

  coil::Properties toProperties(const SDOPackage::NVList& nv)
  {
    coil::Properties prop;
    copyToProperties(prop, nv);
    return prop;
  }

  const CORBA::Any& find(const SDOPackage::NVList& nv, const char* name)
  {
    static const CORBA::Any* const kNone = new CORBA::Any;
    const CORBA::Long index = find_index(nv, name);
    return index < 0 ? *kNone : nv[static_cast<CORBA::ULong>(index)].value;
  }

  CORBA::Long find_index(const SDOPackage::NVList& nv, const char* name)
  {
    if (name == nullptr)
      return -1;
    for (CORBA::ULong i = 0; i < nv.length(); ++i)
    {
      if (std::string(static_cast<const char*>(nv[i].name)) == name)
        return static_cast<CORBA::Long>(i);
    }
    return -1;
  }

  bool isString(const SDOPackage::NVList& nv, const char* name)
  {
    const char* value = nullptr;
    return find_index(nv, name) >= 0 && (find(nv, name) >>= value);
  }

  bool isStringValue(const SDOPackage::NVList& nv, const char* name, const char* value)
  {
    return value != nullptr && isString(nv, name) && toString(nv, name) == value;
  }

  std::string toString(const SDOPackage::NVList& nv, const char* name)
  {
    const char* value = nullptr;
    if (find_index(nv, name) < 0 || !(find(nv, name) >>= value))
      return "";
    return value;
  }

  bool appendStringValue(SDOPackage::NVList& nv, const char* name, const char* value)
  {
    if (name == nullptr || value == nullptr)
      return false;
    const CORBA::Long index = find_index(nv, name);
    if (index < 0)
    {
      const CORBA::ULong n = nv.length();
      nv.length(n + 1);
      nv[n] = newNV(name, value);
      return true;
    }
    if (!isString(nv, name))
      return false;
    std::string list = toString(nv, name);
    if (coil::includes(coil::split(list, ","), value, false))
      return true;
    list += list.empty() ? value : std::string(",") + value;
    nv[static_cast<CORBA::ULong>(index)].value <<= list.c_str();
    return true;
  }

  void append(SDOPackage::NVList& dest, const SDOPackage::NVList& src)
  {
    const CORBA::ULong n = dest.length();
    dest.length(n + src.length());
    for (CORBA::ULong i = 0; i < src.length(); ++i)
      dest[n + i] = src[i];
  }

  std::string toString(const SDOPackage::NVList& nv)
  {
    std::ostringstream out;
    for (CORBA::ULong i = 0; i < nv.length(); ++i)
    {
      const char* value = nullptr;
      out << static_cast<const char*>(nv[i].name) << ": ";
      if (nv[i].value >>= value)
        out << value;
      else
        out << "not a string value";
      out << "\n";
    }
    return out.str();
  }

  void dump(const SDOPackage::NVList& nv) { std::cout << toString(nv) << std::flush; }
}  // namespace NVUtil

namespace rtm
{
  void appendString(SDOPackage::NVList& nv, const std::string& name, const std::string& value)
  {
    const CORBA::ULong n = nv.length();
    nv.length(n + 1);
    nv[n] = NVUtil::newNV(name.c_str(), value.c_str());
  }

  void appendProperties(SDOPackage::NVList& nv, const coil::Properties& prop)
  {
    SDOPackage::NVList entries;
    NVUtil::copyFromProperties(entries, prop);
    NVUtil::append(nv, entries);
  }

  coil::Properties toProperties(const SDOPackage::NVList& nv) { return NVUtil::toProperties(nv); }
}
