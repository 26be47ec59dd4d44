#include "client/PathUri.h"

namespace rtctl
{
  std::string PathUri::of(const RtPath& path)
  {
    std::string uri = path.server();
    for (const std::string& name : path.names())
      uri += "/" + name;
    return uri;
  }

  RtPath PathUri::toPath(const std::string& pathUri)
  {
    // The naming service part is always there, so the default service is never consulted.
    return RtPath::parse(shown(pathUri), "localhost:2809");
  }

  std::string PathUri::shown(const std::string& pathUri)
  {
    return pathUri.compare(0, 1, "/") == 0 ? pathUri : "/" + pathUri;
  }
}
