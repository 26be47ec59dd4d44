// Listeners a component (or anything holding it) registers to hear of its lifecycle: before and
// after each handler, ports added and removed, execution contexts attached and detached. Passed
// with `new`; with autoclean (the default) the component deletes them.
#ifndef RTM_COMPONENTACTIONLISTENER_H
#define RTM_COMPONENTACTIONLISTENER_H

#include <rtm/RTC.h>

namespace RTC
{
  enum PreComponentActionListenerType
  {
    PRE_ON_INITIALIZE,
    PRE_ON_FINALIZE,
    PRE_ON_STARTUP,
    PRE_ON_SHUTDOWN,
    PRE_ON_ACTIVATED,
    PRE_ON_DEACTIVATED,
    PRE_ON_ABORTING,
    PRE_ON_ERROR,
    PRE_ON_RESET,
    PRE_ON_EXECUTE,
    PRE_ON_STATE_UPDATE,
    PRE_ON_RATE_CHANGED,
    PRE_COMPONENT_ACTION_LISTENER_NUM
  };

  class PreComponentActionListener
  {
  public:
    static const char* toString(PreComponentActionListenerType type);
    virtual ~PreComponentActionListener();
    virtual void operator()(UniqueId ec_id) = 0;
  };

  enum PostComponentActionListenerType
  {
    POST_ON_INITIALIZE,
    POST_ON_FINALIZE,
    POST_ON_STARTUP,
    POST_ON_SHUTDOWN,
    POST_ON_ACTIVATED,
    POST_ON_DEACTIVATED,
    POST_ON_ABORTING,
    POST_ON_ERROR,
    POST_ON_RESET,
    POST_ON_EXECUTE,
    POST_ON_STATE_UPDATE,
    POST_ON_RATE_CHANGED,
    POST_COMPONENT_ACTION_LISTENER_NUM
  };

  class PostComponentActionListener
  {
  public:
    static const char* toString(PostComponentActionListenerType type);
    virtual ~PostComponentActionListener();
    virtual void operator()(UniqueId ec_id, ReturnCode_t ret) = 0;
  };

  enum PortActionListenerType
  {
    ADD_PORT,
    REMOVE_PORT,
    PORT_ACTION_LISTENER_NUM
  };

  class PortActionListener
  {
  public:
    static const char* toString(PortActionListenerType type);
    virtual ~PortActionListener();
    virtual void operator()(const ::RTC::PortProfile& pprof) = 0;
  };

  enum ExecutionContextActionListenerType
  {
    EC_ATTACHED,
    EC_DETACHED,
    EC_ACTION_LISTENER_NUM
  };

  class ExecutionContextActionListener
  {
  public:
    // Spelled as the middleware spells them: "ATTACH_EC", "DETACH_ECT".
    static const char* toString(ExecutionContextActionListenerType type);
    virtual ~ExecutionContextActionListener();
    virtual void operator()(UniqueId ec_id) = 0;
  };

  typedef PreComponentActionListenerType PreCompActionListenerType;
  typedef PostComponentActionListenerType PostCompActionListenerType;
  typedef PreComponentActionListener PreCompActionListener;
  typedef PostComponentActionListener PostCompActionListener;
  typedef ExecutionContextActionListenerType ECActionListenerType;
  typedef ExecutionContextActionListener ECActionListener;
}  // namespace RTC

#endif  // RTM_COMPONENTACTIONLISTENER_H
