// RTC::ReturnCode_t by name, as the managers' lines and rtctl's output print it: one table, so
// that a tool and the manager it talks to never name one answer two ways.
//
// Not API: components never include it.
#pragma once

#include <rtm/idl/RTC.hh>

#include <string>

namespace rtm
{
  // "RTC_OK", "BAD_PARAMETER", ...; "return code N" for a value the IDL does not know.
  inline std::string returnCodeName(RTC::ReturnCode_t code)
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
        return "return code " + std::to_string(static_cast<int>(code));
    }
  }
}
