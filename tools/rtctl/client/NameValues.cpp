#include "client/NameValues.h"

#include "client/CorbaText.h"

namespace rtctl
{
  NameValues::NameValues(const SDOPackage::NVList& list)
  {
    for (CORBA::ULong i = 0; i < list.length(); ++i)
      m_pairs.emplace_back(static_cast<const char*>(list[i].name), CorbaText::anyValue(list[i].value));
  }

  bool NameValues::has(const std::string& name) const
  {
    for (const auto& pair : m_pairs)
      if (pair.first == name)
        return true;
    return false;
  }

  std::string NameValues::value(const std::string& name) const
  {
    for (const auto& pair : m_pairs)
      if (pair.first == name)
        return pair.second;
    return std::string();
  }

  std::string NameValues::firstOf(const std::vector<std::string>& names) const
  {
    for (const std::string& name : names)
      if (has(name))
        return value(name);
    return std::string();
  }
}
