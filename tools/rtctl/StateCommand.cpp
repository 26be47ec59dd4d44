#include "StateCommand.h"

#include "Arguments.h"
#include "ComponentRef.h"
#include "CorbaText.h"
#include "Error.h"
#include "Session.h"

#include <chrono>
#include <thread>

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
    case kActivate: return "activate";
    case kDeactivate: return "deactivate";
    default: return "reset";
    }
  }

  const char* StateCommand::summary() const
  {
    switch (m_request)
    {
    case kActivate: return "activate a component in one of its execution contexts";
    case kDeactivate: return "deactivate a component in one of its execution contexts";
    default: return "reset a component in the Error state back to Inactive";
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
             "  --wait S  give up waiting after S seconds (default 10; 0: do not wait)\n";
    case kDeactivate:
      return "usage: rtctl deactivate PATH [-e N] [--wait S]\n"
             "Ask execution context N of the component to deactivate it (Active -> Inactive), then\n"
             "wait until it is Inactive.\n"
             "  -e N      the context, numbered as 'rtctl cat' shows them (default 0)\n"
             "  --wait S  give up waiting after S seconds (default 10; 0: do not wait)\n";
    default:
      return "usage: rtctl reset PATH [-e N] [--wait S]\n"
             "Ask execution context N of a component in the Error state to reset it, then wait\n"
             "until it is Inactive.\n"
             "  -e N      the context, numbered as 'rtctl cat' shows them (default 0)\n"
             "  --wait S  give up waiting after S seconds (default 10; 0: do not wait)\n";
    }
  }

  RTC::LifeCycleState StateCommand::goal() const
  {
    return m_request == kActivate ? RTC::ACTIVE_STATE : RTC::INACTIVE_STATE;
  }

  RTC::ReturnCode_t StateCommand::send(RTC::ExecutionContext_ptr ec, RTC::RTObject_ptr component) const
  {
    switch (m_request)
    {
    case kActivate: return ec->activate_component(component);
    case kDeactivate: return ec->deactivate_component(component);
    default: return ec->reset_component(component);
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
    const RTC::ExecutionContext_var context = component.context(index);
    RTC::ExecutionContext_ptr ec = context.in();
    const std::string where = path.text() + " in execution context " + std::to_string(index);

    RTC::LifeCycleState state = RTC::CREATED_STATE;
    try
    {
      const RTC::ReturnCode_t ret = send(ec, component.ref());
      if (ret != RTC::RTC_OK)
      {
        state = ec->get_component_state(component.ref());
        throw Error(std::string("refused for ") + where + ": " + CorbaText::returnCode(ret) +
                    " (it is " + CorbaText::state(state) + ")");
      }
      // The context applies the change at its next tick: wait for it, within the bound.
      const auto deadline = std::chrono::steady_clock::now() +
                            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(waitSeconds));
      for (;;)
      {
        state = ec->get_component_state(component.ref());
        if (state == goal() || state == RTC::ERROR_STATE || std::chrono::steady_clock::now() >= deadline)
          break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    catch (const CORBA::Exception& e)
    {
      component.fail(std::string(name()) + " in execution context " + std::to_string(index), e);
    }
    if (state == goal() || waitSeconds == 0)
      return kExitOk;
    throw Error(where + " is " + CorbaText::state(state) + ", not " + CorbaText::state(goal()) +
                (state == RTC::ERROR_STATE ? " (its handler failed)" : " after waiting"));
  }
}
