#include "config/ComponentArgs.h"

#include "config/InstanceName.h"

#include <coil/stringutil.h>

#include <algorithm>

namespace rtm::config
{

  namespace
  {

    // Returns why `id` names no component type, or "" if it does.
    std::string parseTypeId(const std::string& id, ComponentArgs& out)
    {
      if (id.find(':') == std::string::npos)
      {
        out.implementationId = id;
      }
      else
      {
        const coil::vstring fields = coil::split(id, ":");
        if (fields.size() != 5 || fields[0] != "RTC")
        {
          return "expected RTC:<vendor>:<category>:<implementation_id>:<version>";
        }
        out.vendor = fields[1];
        out.category = fields[2];
        out.implementationId = fields[3];
        out.version = fields[4];
      }
      if (out.implementationId.empty())
      {
        return "no implementation id";
      }
      // The id also names the module loaded on demand (<id>.so) and the type's instances.
      const std::string problem = instanceNameProblem(out.implementationId);
      if (!problem.empty())
      {
        return "implementation id '" + printable(out.implementationId) + "' " + problem;
      }
      return {};
    }

  }  // namespace

  bool parseComponentArgs(const std::string& arg, ComponentArgs& out, std::string& error)
  {
    out = ComponentArgs{};
    error.clear();
    const auto question = arg.find('?');
    std::string id = arg.substr(0, question);
    coil::eraseBothEndsBlank(id);
    const std::string reason = std::count(arg.begin(), arg.end(), '?') > 1 ? "more than one '?'" : parseTypeId(id, out);
    if (!reason.empty())
    {
      error = "malformed component argument '" + printable(arg) + "': " + reason;
      return false;
    }
    if (question == std::string::npos)
    {
      return true;
    }
    // As in the middleware, a pair that is not exactly "key=value" is dropped, not refused.
    for (const std::string& pair : coil::split(arg.substr(question + 1), "&", true))
    {
      const coil::vstring parts = coil::split(pair, "=");
      if (parts.size() == 2 && !parts[0].empty())
      {
        out.instanceProps.setProperty(parts[0], parts[1]);
      }
    }
    return true;
  }

}  // namespace rtm::config
