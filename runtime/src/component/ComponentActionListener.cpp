// The listener bases' names and virtual destructors (ComponentActionListener.h).
#include <rtm/ComponentActionListener.h>

namespace RTC
{
  namespace
  {
    const char* nameAt(const char* const* names, int count, int index)
    {
      return index >= 0 && index < count ? names[index] : "";
    }
  }  // namespace

  const char* PreComponentActionListener::toString(PreComponentActionListenerType type)
  {
    static const char* const names[] = {"PRE_ON_INITIALIZE", "PRE_ON_FINALIZE",     "PRE_ON_STARTUP",
                                        "PRE_ON_SHUTDOWN",   "PRE_ON_ACTIVATED",    "PRE_ON_DEACTIVATED",
                                        "PRE_ON_ABORTING",   "PRE_ON_ERROR",        "PRE_ON_RESET",
                                        "PRE_ON_EXECUTE",    "PRE_ON_STATE_UPDATE", "PRE_ON_RATE_CHANGED"};
    return nameAt(names, PRE_COMPONENT_ACTION_LISTENER_NUM, type);
  }

  const char* PostComponentActionListener::toString(PostComponentActionListenerType type)
  {
    static const char* const names[] = {"POST_ON_INITIALIZE", "POST_ON_FINALIZE",     "POST_ON_STARTUP",
                                        "POST_ON_SHUTDOWN",   "POST_ON_ACTIVATED",    "POST_ON_DEACTIVATED",
                                        "POST_ON_ABORTING",   "POST_ON_ERROR",        "POST_ON_RESET",
                                        "POST_ON_EXECUTE",    "POST_ON_STATE_UPDATE", "POST_ON_RATE_CHANGED"};
    return nameAt(names, POST_COMPONENT_ACTION_LISTENER_NUM, type);
  }

  const char* PortActionListener::toString(PortActionListenerType type)
  {
    static const char* const names[] = {"ADD_PORT", "REMOVE_PORT"};
    return nameAt(names, PORT_ACTION_LISTENER_NUM, type);
  }

  // "DETACH_ECT" is the middleware's spelling; sources and logs that compare against it expect it.
  const char* ExecutionContextActionListener::toString(ExecutionContextActionListenerType type)
  {
    static const char* const names[] = {"ATTACH_EC", "DETACH_ECT"};
    return nameAt(names, EC_ACTION_LISTENER_NUM, type);
  }

  PreComponentActionListener::~PreComponentActionListener() {}
  PostComponentActionListener::~PostComponentActionListener() {}
  PortActionListener::~PortActionListener() {}
  ExecutionContextActionListener::~ExecutionContextActionListener() {}
}  // namespace RTC
