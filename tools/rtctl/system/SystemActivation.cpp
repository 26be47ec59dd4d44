#include "system/SystemActivation.h"

#include "client/Error.h"

namespace rtctl
{
  namespace
  {
    const double kWaitSeconds = 10.0;
  }

  void SystemActivation::checkContexts(const LiveSystem& system)
  {
    for (const LiveSystem::Member& member : system.members())
      if (member.ref && member.ref->contexts().empty())
        throw Error("rts:Components '" + member.saved->instanceName + "': " + member.shown() +
                    " has no execution context to run in");
  }

  bool SystemActivation::apply(const LiveSystem& system, StateRequest::Kind kind, std::ostream& out, std::ostream& err)
  {
    const StateRequest request(kind, kWaitSeconds);
    const bool activating = kind == StateRequest::kActivate;
    bool ok = true;
    for (const LiveSystem::Member* member : system.startOrder())
    {
      if (!member->ref)
        continue;
      try
      {
        const RTC::LifeCycleState state = StateRequest::state(*member->ref, 0);
        if (state == request.goal())
        {
          out << (activating ? "already active " : "already inactive ") << member->shown() << std::endl;
          continue;
        }
        request.apply(*member->ref, 0);
        out << (activating ? "activated " : "deactivated ") << member->shown() << std::endl;
      }
      catch (const Error& e)
      {
        err << "rtctl: system: " << e.what() << std::endl;
        ok = false;
      }
    }
    return ok;
  }
}
