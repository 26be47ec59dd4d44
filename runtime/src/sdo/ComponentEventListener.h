// What changes in a component, as the component object, its ports and its configuration report
// it. The code that makes a change makes one call here and knows nothing of who listens (the
// component observers, for one).
//
// Calls come from any thread: the execution context's (lifecycle), the ORB's (connections,
// configuration, attach/detach) and the component's own; a listener must return quickly and
// never call out.
#pragma once

#include <rtm/idl/RTC.hh>

#include <string>

namespace rtm
{
  struct ComponentEvent
  {
    enum Kind
    {
      // In an execution context, `context` the component's handle in it.
      Activated,  // on_activated returned RTC_OK
      Deactivated,  // on_deactivated ran
      Reset,  // on_reset returned RTC_OK: back to INACTIVE
      ErrorEntered,  // on_aborting ran
      Finalized,  // the component finalized
      ContextAttached,
      ContextDetached,
      RateChanged,
      ContextStarted,
      ContextStopped,
      // Of a port, `name` the port's name as its profile gives it ("Trimul0.x1").
      Connected,
      Disconnected,
      PortAdded,
      PortRemoved,
      // Of the configuration, `name` the set ("default") or the parameter ("default.gain").
      ParameterUpdated,
      SetValuesSet,
      SetAdded,
      SetUpdated,
      SetRemoved,
      SetActivated,
      // `name` lists the changed profile fields, comma-separated.
      ProfileChanged,
    };

    Kind kind;
    RTC::ExecutionContextHandle_t context;
    std::string name;
  };

  class ComponentEventListener
  {
  public:
    virtual ~ComponentEventListener();
    virtual void onComponentEvent(const ComponentEvent& event) = 0;
  };
}
