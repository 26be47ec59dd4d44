#include "config/NamingFormat.h"

#include <coil/stringutil.h>

#include <algorithm>
#include <cstdlib>

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
      switch (c)
      {
        case 'n':
          out = props["instance_name"];
          return true;
        case 't':
        case 'm':
          out = props["type_name"];
          return true;
        case 'v':
          out = props["version"];
          return true;
        case 'V':
          out = props["vendor"];
          return true;
        case 'c':
          out = props["category"];
          return true;
        case 'i':
          out = props["implementation_id"];
          return true;
        case 'N':
          out = instanceNumber(props);
          return true;
        case 'h':
          out = props["os.hostname"];
          return true;
        case 'M':
          out = props["manager.name"];
          return true;
        case 'p':
          out = props["manager.pid"];
          return true;
        case '%':
          out = "%";
          return true;
        default:
          return false;
      }
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
