// Callbacks a user's component hands to a port. The port does not own them: they are members of
// the component, or outlive it.
#ifndef RTM_PORTCALLBACK_H
#define RTM_PORTCALLBACK_H

#include <rtm/RTC.h>

namespace RTC
{
  // Called with the connection's profile at a step of connecting or disconnecting a port.
  class ConnectionCallback
  {
  public:
    virtual ~ConnectionCallback() {}
    virtual void operator()(ConnectorProfile& profile) = 0;
  };

  // Declared for sources written against the middleware, which never calls it.
  class DisconnectCallback
  {
  public:
    virtual ~DisconnectCallback() {}
    virtual void operator()(ConnectorProfile& profile) = 0;
  };
}

#endif
