#include "testsupport/CalculatorServant.h"

namespace testsupport
{
  CORBA::Long CalculatorServant::add(CORBA::Long a, CORBA::Long b)
  {
    ++m_calls;
    // Wraps as the IDL long does on the caller's side, without signed overflow here.
    return static_cast<CORBA::Long>(static_cast<unsigned long>(a) + static_cast<unsigned long>(b));
  }

  char* CalculatorServant::echo(const char* text)
  {
    ++m_calls;
    return CORBA::string_dup(text);
  }
}
