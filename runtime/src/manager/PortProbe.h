// Whether anything accepts TCP connections at "host:port", asked with a plain socket. A slave
// asks this before it calls a master over CORBA: on a host without a master (every standalone
// component's case) the ORB's whole client side, some 0.7 MiB of a small process, then stays
// unloaded, and an unreachable host costs the bound and no more.
#pragma once

#include <string>

namespace rtm
{
  // False for an address without a port, a host that does not resolve, or no answer within
  // `timeoutMs` on any of its addresses.
  bool acceptsConnections(const std::string& hostPort, int timeoutMs);
}
