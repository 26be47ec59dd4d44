#include "commands/ExitCommand.h"

#include "client/Arguments.h"
#include "client/ComponentRef.h"
#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/Session.h"

namespace rtctl
{
  const char* ExitCommand::usage() const
  {
    return "usage: rtctl exit PATH\n"
           "Tell the component to exit: it is deactivated, its connections are removed and it is\n"
           "finalized. A manager that has no component left shuts down, which unbinds the name.\n";
  }

  int ExitCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {}, {});
    if (args.positional().size() != 1)
      throw UsageError("takes one PATH (see --help)");
    Session session(Orb::kClientOnly);
    const RtPath path = session.path(args.positional()[0]).requireNoPort("exit takes a component");
    const ComponentRef component(session.names(path), path);
    RTC::ReturnCode_t ret = RTC::RTC_OK;
    try
    {
      ret = component.ref()->exit();
    }
    catch (const CORBA::Exception& e)
    {
      component.fail("exit", e);
    }
    if (ret != RTC::RTC_OK)
      throw Error(path.text() + " refused to exit: " + CorbaText::returnCode(ret));
    return kExitOk;
  }
}
