// Common declarations of the RT-component runtime: the ORB and the RTC/SDO/OpenRTM types.
#ifndef RTM_RTC_H
#define RTM_RTC_H

#include <rtm/config_rtc.h>
#include <coil/Properties.h>
#include <omniORB4/CORBA.h>
#include <rtm/idl/SDOPackageSkel.h>
#include <rtm/idl/RTCSkel.h>
#include <rtm/idl/OpenRTMSkel.h>

// Windows' export and calling-convention markers, which portable component sources carry.
#ifndef DLL_EXPORT
#define DLL_EXPORT
#endif
#ifndef WINAPI
#define WINAPI
#endif
// With the C++ mapping 1.1 the servant base counts references itself: servants written as
// `public virtual PortableServer::RefCountServantBase` get that base (omniORB's own is empty).
#ifdef RTC_CORBA_CXXMAPPING11
#define RefCountServantBase ServantBase
#endif

namespace RTC
{
  typedef coil::Properties Properties;

  // The handle an execution context gives a component it drives (0 for its owned context).
  typedef ExecutionContextHandle_t UniqueId;
}

#endif
