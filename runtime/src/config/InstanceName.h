// The rule for names that become naming-service paths and file names: instance names (from
// rtc.conf, -o, createComponent's ?instance_name=, a module's type name) and each element of a
// naming name. Every place a name enters the manager asks here, so the rule is one.
#pragma once

#include <string>

namespace rtm::config
{

  // Why `name` cannot name a component instance, or "" if it can: 1-255 bytes of valid UTF-8,
  // no '/', no '\', no control character, not "." nor "..".
  std::string instanceNameProblem(const std::string& name);

  // The one line that refuses `name` as an instance name, quoting it and saying what to give
  // instead; "" if it is a usable name.
  std::string instanceNameRefusal(const std::string& name);

  // Why the naming name `path` ("host.host_cxt/Trimul0.rtc") cannot be bound, or "" if it can:
  // every element between slashes is non-empty and neither "." nor "..", and the whole is UTF-8
  // without control characters.
  std::string namingNameProblem(const std::string& path);

  // `text` with control characters written as \xNN, so that a name quoted in a message keeps
  // the message on one line.
  std::string printable(const std::string& text);

}  // namespace rtm::config
