// Where a call from outside (a CORBA servant's operation, a component's read or write) meets the
// runtime: nothing thrown inside crosses it. What was thrown becomes the operation's answer (a
// return code, or an empty answer where the IDL has none) and one log line saying which operation
// failed and how, so that a fault is never reported as a plain refusal without a trace.
#pragma once

#include "log/Logger.h"

#include <string>

namespace rtm
{
  // The exception being handled, in words: a CORBA exception's name, a standard one's what();
  // only inside a catch block.
  std::string currentExceptionText();

  // Runs `body`; whatever it throws becomes `fallback()` and an error in the log of `area`
  // ("manager", "port", ...), naming `operation` (anything a stream prints).
  template <class Operation, class Fallback, class Body>
  auto guarded(const char* area, const Operation& operation, Fallback fallback, Body body) -> decltype(body())
  {
    try
    {
      return body();
    }
    catch (...)
    {
      RTM_LOG_ERROR(area, operation << " failed: " << currentExceptionText());
    }
    return fallback();
  }

  // Runs a call to a peer, whose failure is one of its answers (the peer is gone, unreachable or
  // too slow): false, with the reason in the log of `area` at debug level.
  template <class What, class Call>
  bool peerAnswered(const char* area, const What& what, Call call)
  {
    try
    {
      call();
      return true;
    }
    catch (...)
    {
      RTM_LOG_DEBUG(area, what << ": no answer (" << currentExceptionText() << ")");
    }
    return false;
  }
}
