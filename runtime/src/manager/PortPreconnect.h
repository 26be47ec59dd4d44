// One connection of manager.components.preconnect, made between two components of this manager
// the way a tool connects them: through their ports' references, connect() on the first port.
#pragma once

#include "config/Preconnect.h"

#include <rtm/RTC.h>

#include <string>

namespace rtm
{
  // False with one line in `error` when a port is missing or the ports refuse the connection.
  bool connectPreconnection(const config::Preconnection& connection, RTC::RTObject_ptr comp0, RTC::RTObject_ptr comp1,
                            std::string& error);
}
