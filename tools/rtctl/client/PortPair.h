// The two ports that connect and disconnect take, PATH:PORT PATH:PORT, each resolved to its
// port. Throws UsageError unless there are exactly two, and Error when either cannot be found.
#pragma once

#include "client/ComponentRef.h"
#include "client/RtPath.h"
#include "client/Session.h"

#include <string>
#include <vector>

namespace rtctl
{
  class PortPair
  {
  public:
    PortPair(Session& session, const std::vector<std::string>& positional);

    RtPath firstPath;
    RtPath secondPath;
    ComponentRef::Port first;
    ComponentRef::Port second;

  private:
    static const std::vector<std::string>& checked(const std::vector<std::string>& positional);
  };
}
