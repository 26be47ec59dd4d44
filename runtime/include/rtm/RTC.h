// Common declarations of the RT-component runtime: the ORB and the RTC/SDO/OpenRTM types.
#ifndef RTM_RTC_H
#define RTM_RTC_H

#include <omniORB4/CORBA.h>
#include <rtm/idl/SDOPackageSkel.h>
#include <rtm/idl/RTCSkel.h>
#include <rtm/idl/OpenRTMSkel.h>

// Servants written for the middleware derive from RefCountServantBase, which omniORB 4.2 keeps
// only as an empty struct; as in the middleware, it names the servant base itself.
#define RefCountServantBase ServantBase

namespace RTC
{
  // The handle an execution context gives a component it drives (0 for its owned context).
  typedef ExecutionContextHandle_t UniqueId;
}

#endif
