#include "config/Preconnect.h"

#include "config/InstanceName.h"

#include <coil/stringutil.h>

#include <algorithm>
#include <utility>

namespace rtm::config
{

  namespace
  {

    const char* const kPrefix = "dataport.";
    const std::pair<const char*, const char*> kDefaults[] = {{"dataport.dataflow_type", "push"},
                                                             {"dataport.interface_type", "corba_cdr"}};

    bool unclosed(const std::string& text)
    {
      return std::count(text.begin(), text.end(), '(') > std::count(text.begin(), text.end(), ')');
    }

    // Splits at commas, except those inside an entry's parentheses. A piece joins the entry before
    // it only if that entry's '(' is still open and the piece closes it without opening another, so
    // an entry that never closes its '(' does not swallow the entries after it.
    std::vector<std::string> splitEntries(const std::string& value)
    {
      std::vector<std::string> entries;
      std::size_t start = 0;
      for (;;)
      {
        const auto comma = value.find(',', start);
        const std::size_t length = comma == std::string::npos ? std::string::npos : comma - start;
        const std::string piece = value.substr(start, length);
        const bool closesPrevious = piece.find(')') != std::string::npos && piece.find('(') == std::string::npos;
        if (!entries.empty() && unclosed(entries.back()) && closesPrevious)
        {
          entries.back() += "," + piece;
        }
        else
        {
          entries.push_back(piece);
        }
        if (comma == std::string::npos)
        {
          return entries;
        }
        start = comma + 1;
      }
    }

    // "Comp.port" into the component's instance name and the port's full name; false if either is
    // missing.
    bool splitPort(const std::string& text, std::string& component, std::string& port)
    {
      const auto dot = text.find('.');
      if (dot == std::string::npos || dot == 0 || dot + 1 == text.size())
      {
        return false;
      }
      component = text.substr(0, dot);
      port = text;
      return true;
    }

    // Returns why the entry is malformed, or "" with `out` filled.
    std::string parseEntry(const std::string& entry, Preconnection& out)
    {
      std::string ports = entry;
      std::string options;
      const auto open = entry.find('(');
      if (open != std::string::npos)
      {
        const auto close = entry.rfind(')');
        if (close == std::string::npos || close < open)
        {
          return "'(' without ')'";
        }
        std::string rest = entry.substr(close + 1);
        coil::eraseBothEndsBlank(rest);
        if (!rest.empty())
        {
          return "text after ')'";
        }
        ports = entry.substr(0, open);
        options = entry.substr(open + 1, close - open - 1);
      }
      const coil::vstring sides = coil::split(ports, ":");
      if (sides.size() != 2 || !splitPort(sides[0], out.component0, out.port0) ||
          !splitPort(sides[1], out.component1, out.port1))
      {
        return "expected Comp0.port0:Comp1.port1";
      }
      for (const std::string* name : {&out.component0, &out.component1})
      {
        const std::string problem = instanceNameProblem(*name);
        if (!problem.empty())
        {
          return "component name '" + printable(*name) + "' " + problem;
        }
      }
      for (const std::string& pair : coil::split(options, "&", true))
      {
        const auto equals = pair.find('=');
        std::string key = pair.substr(0, equals);
        coil::eraseBothEndsBlank(key);
        if (equals == std::string::npos || key.empty())
        {
          return "option '" + pair + "' is not key=value";
        }
        std::string value = pair.substr(equals + 1);
        coil::eraseBothEndsBlank(value);
        out.properties.setProperty(key.rfind(kPrefix, 0) == 0 ? key : kPrefix + key, value);
      }
      for (const auto& [key, value] : kDefaults)
      {
        if (out.properties.getProperty(key).empty())
        {
          out.properties.setProperty(key, value);
        }
      }
      return {};
    }

  }  // namespace

  PreconnectList parsePreconnect(const std::string& value)
  {
    PreconnectList list;
    for (std::string entry : splitEntries(value))
    {
      coil::eraseBothEndsBlank(entry);
      if (entry.empty())
      {
        continue;
      }
      Preconnection connection;
      connection.text = entry;
      const std::string problem = parseEntry(entry, connection);
      if (problem.empty())
      {
        list.connections.push_back(connection);
      }
      else
      {
        list.errors.push_back("malformed preconnect entry '" + printable(entry) + "': " + problem);
      }
    }
    return list;
  }

}  // namespace rtm::config
