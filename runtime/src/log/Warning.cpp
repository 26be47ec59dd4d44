#include "log/Warning.h"

#include <cerrno>
#include <cstdio>

namespace rtm
{
  void warn(const std::string& message) noexcept
  {
    // glibc's short name of argv[0], set before main: right even for a warning printed before
    // the manager exists, and in programs that never create one.
    std::fprintf(stderr, "%s: warning: %s\n", program_invocation_short_name, message.c_str());
  }
}  // namespace rtm
