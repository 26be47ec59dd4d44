#include "manager/ModuleTypeReport.h"

#include "config/InstanceName.h"
#include "config/KeyValueFormat.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace rtm
{
  std::string ModuleTypeReport::write(const std::vector<coil::Properties>& types)
  {
    std::string out;
    for (std::size_t i = 0; i < types.size() && i < kMostTypes; ++i)
    {
      // Through store(): it writes every entry, "a" too when "a.b" is set (propertyNames lists
      // only "a.b").
      std::stringstream stored;
      types[i].store(stored, "");
      for (const config::KeyValue& entry : config::parseKeyValues(stored))
        out += config::formatKeyValue(std::to_string(i) + "." + entry.first, entry.second) + "\n";
    }
    return out;
  }

  bool ModuleTypeReport::read(const std::string& text, std::vector<coil::Properties>& types, std::string& error)
  {
    std::istringstream in(text);
    std::map<std::size_t, coil::Properties> byIndex;
    for (const config::KeyValue& entry : config::parseKeyValues(in))
    {
      const std::string& key = entry.first;
      const auto dot = key.find('.');
      const bool numbered = dot != std::string::npos && dot > 0 && dot <= 2 && dot + 1 < key.size() &&
                            key.find_first_not_of("0123456789") == dot;
      const std::size_t index = numbered ? std::stoul(key.substr(0, dot)) : kMostTypes;
      if (index >= kMostTypes)
      {
        error = "'" + config::printable(key.substr(0, 40)) + "' is not a numbered profile entry";
        return false;
      }
      // Each dot is a level of the tree the key is stored in: no profile key is this deep.
      if (std::count(key.begin(), key.end(), '.') > kDeepestKey)
      {
        error = "'" + config::printable(key.substr(0, 40)) + "...' nests too deep for a profile key";
        return false;
      }
      byIndex[index].setProperty(key.substr(dot + 1), entry.second);
    }
    types.clear();
    for (const auto& numbered : byIndex)
      if (!numbered.second.getProperty("implementation_id").empty())
        types.push_back(numbered.second);
    return true;
  }
}
