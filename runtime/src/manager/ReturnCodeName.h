// RTC::ReturnCode_t by name, for the lines the manager writes.
#pragma once

#include <rtm/RTC.h>

namespace rtm
{
  inline const char* returnCodeName(RTC::ReturnCode_t code)
  {
    switch (code)
    {
      case RTC::RTC_OK:
        return "RTC_OK";
      case RTC::RTC_ERROR:
        return "RTC_ERROR";
      case RTC::BAD_PARAMETER:
        return "BAD_PARAMETER";
      case RTC::UNSUPPORTED:
        return "UNSUPPORTED";
      case RTC::OUT_OF_RESOURCES:
        return "OUT_OF_RESOURCES";
      case RTC::PRECONDITION_NOT_MET:
        return "PRECONDITION_NOT_MET";
      default:
        return "unknown return code";
    }
  }
}
