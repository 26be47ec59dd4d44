#include "commands/DisconnectCommand.h"

#include "client/Arguments.h"
#include "client/Error.h"
#include "client/PortConnector.h"
#include "client/PortPair.h"
#include "client/Session.h"

#include <iostream>

namespace rtctl
{
  const char* DisconnectCommand::usage() const
  {
    return "usage: rtctl disconnect PATH:PORT PATH:PORT\n"
           "Remove every connector that joins the two ports, printing each id removed. Fails when\n"
           "they are not connected.\n";
  }

  int DisconnectCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {}, {});
    Session session(Orb::kClientOnly);
    const PortPair ports(session, args.positional());
    const std::vector<std::string> removed = PortConnector::disconnect(ports.first.ref.in(), ports.second.ref.in());
    if (removed.empty())
      throw Error(ports.firstPath.text() + " and " + ports.secondPath.text() + " are not connected");
    for (const std::string& id : removed)
      std::cout << id << '\n';
    return kExitOk;
  }
}
