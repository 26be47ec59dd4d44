// A warning for the person running the program, on standard error whether or not logging is on.
// Each line starts with the program's name ("TrimulComp: warning: ..."), because several
// programs of a system often share one terminal.
#ifndef RTM_LOG_WARNING_H
#define RTM_LOG_WARNING_H

#include <string>

namespace rtm
{
  // One line; `message` has no newline of its own.
  void warn(const std::string& message) noexcept;
}  // namespace rtm

#endif  // RTM_LOG_WARNING_H
