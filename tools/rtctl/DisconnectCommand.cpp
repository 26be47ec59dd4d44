#include "DisconnectCommand.h"

#include "Arguments.h"
#include "ComponentRef.h"
#include "Error.h"
#include "PortConnector.h"
#include "Session.h"

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
    if (args.positional().size() != 2)
      throw UsageError("takes two ports, PATH:PORT PATH:PORT (see --help)");
    Session session(Orb::kClientOnly);
    const RtPath firstPath = session.path(args.positional()[0]);
    const RtPath secondPath = session.path(args.positional()[1]);
    const ComponentRef::Port first = ComponentRef::resolvePort(session.names(firstPath), firstPath);
    const ComponentRef::Port second = ComponentRef::resolvePort(session.names(secondPath), secondPath);
    const std::vector<std::string> removed = PortConnector::disconnect(first.ref.in(), second.ref.in());
    if (removed.empty())
      throw Error(firstPath.text() + " and " + secondPath.text() + " are not connected");
    for (const std::string& id : removed)
      std::cout << id << '\n';
    return kExitOk;
  }
}
