// Bounds every call made through one object reference, so that a peer that hangs (or a host
// that vanished) costs a known time instead of blocking a port's thread for good.
#pragma once

#include <omniORB4/CORBA.h>

namespace rtm
{
  inline void limitCallTime(CORBA::Object_ptr ref, unsigned long milliseconds)
  {
    if (!CORBA::is_nil(ref))
      omniORB::setClientCallTimeout(ref, static_cast<CORBA::ULong>(milliseconds));
  }
}
