#include "StateCommand.h"

#include "Arguments.h"
#include "ComponentRef.h"
#include "Error.h"
#include "Session.h"
#include "StateRequest.h"

namespace rtctl
{
  namespace
  {
    const double kDefaultWaitSeconds = 10.0;
  }

  const char* StateCommand::name() const
  {
    switch (m_request)
    {
      case kActivate:
        return "activate";
      case kDeactivate:
        return "deactivate";
      default:
        return "reset";
    }
  }

  const char* StateCommand::summary() const
  {
    switch (m_request)
    {
      case kActivate:
        return "activate a component in one of its execution contexts";
      case kDeactivate:
        return "deactivate a component in one of its execution contexts";
      default:
        return "reset a component in the Error state back to Inactive";
    }
  }

  const char* StateCommand::usage() const
  {
    switch (m_request)
    {
      case kActivate:
        return "usage: rtctl activate PATH [-e N] [--wait S]\n"
               "Ask execution context N of the component to activate it (Inactive -> Active), then\n"
               "wait until it is Active.\n"
               "  -e N      the context: 0 is the first owned one; participating ones follow the owned\n"
               "            ones, as 'rtctl cat' numbers them (default 0)\n"
               "  --wait S  give up waiting after S seconds (default 10; 0: do not wait)\n"
               "A stopped context is refused at once, asking nothing: 'rtctl start PATH' first.\n";
      case kDeactivate:
        return "usage: rtctl deactivate PATH [-e N] [--wait S]\n"
               "Ask execution context N of the component to deactivate it (Active -> Inactive), then\n"
               "wait until it is Inactive.\n"
               "  -e N      the context, numbered as 'rtctl cat' shows them (default 0)\n"
               "  --wait S  give up waiting after S seconds (default 10; 0: do not wait)\n"
               "A stopped context is refused at once, asking nothing: 'rtctl start PATH' first.\n";
      default:
        return "usage: rtctl reset PATH [-e N] [--wait S]\n"
               "Ask execution context N of a component in the Error state to reset it, then wait\n"
               "until it is Inactive.\n"
               "  -e N      the context, numbered as 'rtctl cat' shows them (default 0)\n"
               "  --wait S  give up waiting after S seconds (default 10; 0: do not wait)\n"
               "A stopped context is refused at once, asking nothing: 'rtctl start PATH' first.\n";
    }
  }

  int StateCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {}, {"-e", "--wait"});
    if (args.positional().size() != 1)
      throw UsageError("takes one PATH (see --help)");
    const long index = args.integer("-e", 0, 0, 1L << 30);
    const double waitSeconds = args.real("--wait", kDefaultWaitSeconds, 0.0);
    Session session(Orb::kClientOnly);
    const RtPath path = session.path(args.positional()[0]);
    if (path.hasPort())
      throw UsageError("'" + path.text() + "' names a port; " + name() + " takes a component");
    const ComponentRef component(session.names(path), path);
    StateRequest(static_cast<StateRequest::Kind>(m_request), waitSeconds).apply(component, static_cast<size_t>(index));
    return kExitOk;
  }
}
