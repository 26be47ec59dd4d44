#include "config/NamingFormat.h"

#include <coil/stringutil.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace rtm::config
{

  namespace
  {

    std::string instanceNumber(const coil::Properties& props)
    {
      const std::string& instance = props["instance_name"];
      const std::string& implementation = props["implementation_id"];
      if (instance.compare(0, implementation.size(), implementation) == 0)
      {
        return instance.substr(implementation.size());
      }
      return instance;  // a name given with ?instance_name= need not start with the type
    }

    // The text for "%<c>", or false if <c> is not an escape we know.
    bool percentEscape(char c, const coil::Properties& props, std::string& out)
    {
      // The escapes that each stand for one property.
      static const std::pair<char, const char*> kProperties[] = {
        {'n', "instance_name"}, {'t', "type_name"},  {'m', "type_name"},         {'v', "version"},
        {'V', "vendor"},        {'c', "category"},   {'i', "implementation_id"}, {'h', "os.hostname"},
        {'M', "manager.name"},  {'p', "manager.pid"}};
      for (const auto& escape : kProperties)
      {
        if (escape.first == c)
        {
          out = props[escape.second];
          return true;
        }
      }
      if (c != 'N' && c != '%')
        return false;
      out = c == 'N' ? instanceNumber(props) : "%";
      return true;
    }

  }  // namespace

  std::string expandNamingFormat(const std::string& format, const coil::Properties& props)
  {
    std::string result;
    for (std::size_t i = 0; i < format.size(); ++i)
    {
      const char c = format[i];
      if (c == '%' && i + 1 < format.size())
      {
        std::string text;
        if (percentEscape(format[i + 1], props, text))
        {
          result += text;
          ++i;
          continue;
        }
      }
      else if (c == '$' && i + 1 < format.size() && (format[i + 1] == '{' || format[i + 1] == '('))
      {
        const char close = format[i + 1] == '{' ? '}' : ')';
        const auto end = format.find(close, i + 2);
        if (end != std::string::npos)
        {
          const char* value = std::getenv(format.substr(i + 2, end - i - 2).c_str());
          result += value != nullptr ? value : "";
          i = end;
          continue;
        }
      }
      result += c;
    }
    return result;
  }

  std::vector<std::string> namingNames(const std::string& formats, const coil::Properties& props)
  {
    std::vector<std::string> names;
    for (const std::string& format : coil::split(formats, ",", true))
    {
      std::string name = expandNamingFormat(format, props);
      if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
      {
        names.push_back(std::move(name));
      }
    }
    return names;
  }

}  // namespace rtm::config
