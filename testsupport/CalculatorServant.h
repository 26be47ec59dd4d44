// The provider side of the Calculator service: plain arithmetic, and a count of the calls that
// reached it, so a test can tell that a call went through.
#pragma once

#include "Calculator.hh"

#include <atomic>

namespace testsupport
{
  class CalculatorServant : public virtual POA_ServiceTest::Calculator
  {
  public:
    CORBA::Long add(CORBA::Long a, CORBA::Long b) override;
    char* echo(const char* text) override;

    long calls() const { return m_calls.load(); }

  private:
    std::atomic<long> m_calls{0};
  };
}
