#include "client/CallBound.h"

#include "client/Orb.h"

#include <omniORB4/CORBA.h>

namespace rtctl
{
  CallBound::CallBound(unsigned long milliseconds)
  {
    omniORB::setClientThreadCallTimeout(static_cast<CORBA::ULong>(milliseconds));
  }

  CallBound::~CallBound() { omniORB::setClientThreadCallTimeout(static_cast<CORBA::ULong>(Orb::kCallTimeoutMs)); }
}
