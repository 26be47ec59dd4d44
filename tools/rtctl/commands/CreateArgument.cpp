#include "commands/CreateArgument.h"

#include "client/Error.h"

namespace rtctl
{
  namespace
  {
    std::vector<std::string> split(const std::string& text, char separator)
    {
      std::vector<std::string> parts;
      std::string::size_type start = 0;
      for (;;)
      {
        const std::string::size_type end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
          return parts;
        start = end + 1;
      }
    }

    const size_t kTypeFields = 5;  // RTC:vendor:category:implementation_id:version
  }

  CreateArgument CreateArgument::parse(const std::string& text)
  {
    CreateArgument argument;
    argument.m_text = text;
    const std::string::size_type question = text.find('?');
    if (question != std::string::npos && text.find('?', question + 1) != std::string::npos)
      throw UsageError("'" + text + "' has more than one '?'");
    const std::string type = text.substr(0, question);

    if (type.find(':') == std::string::npos)
    {
      argument.m_implementationId = type;
    }
    else
    {
      const std::vector<std::string> fields = split(type, ':');
      if (fields.size() != kTypeFields || fields[0] != "RTC")
        throw UsageError("'" + type + "' is neither a type name nor RTC:VENDOR:CATEGORY:TYPE:VERSION");
      argument.m_implementationId = fields[3];
    }
    if (argument.m_implementationId.empty())
      throw UsageError("'" + text + "' names no component type");

    if (question == std::string::npos)
      return argument;
    for (const std::string& pair : split(text.substr(question + 1), '&'))
    {
      if (pair.empty())
        continue;
      const std::string::size_type eq = pair.find('=');
      if (eq == std::string::npos || eq == 0 || pair.find('=', eq + 1) != std::string::npos)
        throw UsageError("'" + pair + "' in '" + text + "' is not KEY=VALUE (a value cannot hold '=')");
      argument.m_properties.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
    }
    return argument;
  }

  std::string CreateArgument::instanceName() const
  {
    for (const auto& property : m_properties)
      if (property.first == "instance_name")
        return property.second;
    return {};
  }
}
