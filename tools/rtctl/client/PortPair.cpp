#include "client/PortPair.h"

#include "client/Error.h"

namespace rtctl
{
  const std::vector<std::string>& PortPair::checked(const std::vector<std::string>& positional)
  {
    if (positional.size() != 2)
      throw UsageError("takes two ports, PATH:PORT PATH:PORT (see --help)");
    return positional;
  }

  PortPair::PortPair(Session& session, const std::vector<std::string>& positional)
    : firstPath(session.path(checked(positional)[0])), secondPath(session.path(positional[1])),
      first(ComponentRef::resolvePort(session.names(firstPath), firstPath)),
      second(ComponentRef::resolvePort(session.names(secondPath), secondPath))
  {}
}
