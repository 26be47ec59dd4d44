// A component's place as a system file records it: "127.0.0.1:2809/host.host_cxt/Trimul0.rtc",
// the naming service and the names below it, without a leading slash. Put a '/' in front and it
// is an rtctl path.
#pragma once

#include "client/RtPath.h"

#include <string>

namespace rtctl
{
  class PathUri
  {
  public:
    static std::string of(const RtPath& path);
    // Throws UsageError when the text is no path (an empty element, no naming service).
    static RtPath toPath(const std::string& pathUri);
    // "/127.0.0.1:2809/host.host_cxt/Trimul0.rtc", as a user would type it to rtctl.
    static std::string shown(const std::string& pathUri);
  };
}
