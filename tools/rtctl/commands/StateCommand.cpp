#include "commands/StateCommand.h"

#include "client/Arguments.h"
#include "client/ComponentRef.h"
#include "client/Error.h"
#include "client/Session.h"
#include "client/StateRequest.h"
#include "commands/SubVerbs.h"

namespace rtctl
{
  namespace
  {
    const double kDefaultWaitSeconds = 10.0;
  }

  const SubVerbs<StateCommand::Verb>& StateCommand::verbs()
  {
    static const SubVerbs<Verb> all(
      "command", "",
      {{"activate", StateRequest::kActivate, "activate a component in one of its execution contexts",
        "usage: rtctl activate PATH [-e N] [--wait S]\n"
        "Ask execution context N of the component to activate it (Inactive -> Active), then\n"
        "wait until it is Active.\n"
        "  -e N      the context: 0 is the first owned one; participating ones follow the owned\n"
        "            ones, as 'rtctl cat' numbers them (default 0)\n"
        "  --wait S  give up waiting after S seconds (default 10; 0: do not wait)\n"
        "A stopped context is refused at once, asking nothing: 'rtctl start PATH' first.\n"},
       {"deactivate", StateRequest::kDeactivate, "deactivate a component in one of its execution contexts",
        "usage: rtctl deactivate PATH [-e N] [--wait S]\n"
        "Ask execution context N of the component to deactivate it (Active -> Inactive), then\n"
        "wait until it is Inactive.\n"
        "  -e N      the context, numbered as 'rtctl cat' shows them (default 0)\n"
        "  --wait S  give up waiting after S seconds (default 10; 0: do not wait)\n"
        "A stopped context is refused at once, asking nothing: 'rtctl start PATH' first.\n"},
       {"reset", StateRequest::kReset, "reset a component in the Error state back to Inactive",
        "usage: rtctl reset PATH [-e N] [--wait S]\n"
        "Ask execution context N of a component in the Error state to reset it, then wait\n"
        "until it is Inactive.\n"
        "  -e N      the context, numbered as 'rtctl cat' shows them (default 0)\n"
        "  --wait S  give up waiting after S seconds (default 10; 0: do not wait)\n"
        "A stopped context is refused at once, asking nothing: 'rtctl start PATH' first.\n"}});
    return all;
  }

  int StateCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {}, {"-e", "--wait"});
    if (args.positional().size() != 1)
      throw UsageError("takes one PATH (see --help)");
    const long index = args.integer("-e", 0, 0, 1L << 30);
    const double waitSeconds = args.real("--wait", kDefaultWaitSeconds, 0.0);
    Session session(Orb::kClientOnly);
    const RtPath path = session.path(args.positional()[0]).requireNoPort(std::string(name()) + " takes a component");
    const ComponentRef component(session.names(path), path);
    StateRequest(m_verb.request, waitSeconds).apply(component, static_cast<size_t>(index));
    return kExitOk;
  }
}
