#include "commands/CatCommand.h"

#include "client/Arguments.h"
#include "client/ComponentRef.h"
#include "client/Error.h"
#include "client/Session.h"
#include "format/ProfilePrinter.h"

#include <iostream>

namespace rtctl
{
  const char* CatCommand::usage() const
  {
    return "usage: rtctl cat [-l] PATH[:PORT]\n"
           "Show a component: its state, the six profile strings, every property, its execution\n"
           "contexts (numbered as -e counts them: owned first, then participating) with kind, rate\n"
           "and its state in each, and its ports with direction, data type and connections.\n"
           "With :PORT, that port alone with all its properties and connections.\n"
           "  -l  also every port property and every connector property\n";
  }

  int CatCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {"-l"}, {});
    if (args.positional().size() != 1)
      throw UsageError("takes one PATH (see --help)");
    Session session(Orb::kClientOnly);
    const RtPath path = session.path(args.positional()[0]);
    const ComponentRef component(session.names(path), path);
    // Peers are looked for in the same naming service, and shown in the form the path was given.
    NameIndex peers(session.names(path), session.path(path.serverInPath() ? "/" + path.serverElement() : ""));
    const ProfilePrinter printer(args.has("-l") || path.hasPort(), &peers);
    if (path.hasPort())
      printer.printPort(component.port(path.port()), std::cout);
    else
      printer.printComponent(component, std::cout);
    return kExitOk;
  }
}
