#include <coil/TimeValue.h>

#include <cmath>

namespace coil
{
  namespace
  {
    const long int kUsecPerSec = 1000000;
  }

  TimeValue::TimeValue(long int sec, long int usec) : m_sec(sec), m_usec(usec) { normalize(); }

  TimeValue::TimeValue(double timeval) : m_sec(0), m_usec(0) { *this = timeval; }

  TimeValue TimeValue::operator-(TimeValue& tm) { return TimeValue(m_sec - tm.m_sec, m_usec - tm.m_usec); }

  TimeValue TimeValue::operator+(TimeValue& tm) { return TimeValue(m_sec + tm.m_sec, m_usec + tm.m_usec); }

  TimeValue TimeValue::operator=(double time)
  {
    const double whole = std::trunc(time);
    m_sec = static_cast<long int>(whole);
    m_usec = static_cast<long int>(std::lround((time - whole) * kUsecPerSec));
    normalize();
    return *this;
  }

  TimeValue::operator double() const { return static_cast<double>(m_sec) + static_cast<double>(m_usec) / kUsecPerSec; }

  int TimeValue::sign() const
  {
    if (m_sec > 0 || (m_sec == 0 && m_usec > 0))
      return 1;
    if (m_sec < 0 || m_usec < 0)
      return -1;
    return 0;
  }

  // Carries whole seconds out of usec, then makes both fields agree in sign, so that 1 s - 1 us
  // reads (0, 999999) and -1.5 s reads (-1, -500000).
  void TimeValue::normalize()
  {
    m_sec += m_usec / kUsecPerSec;
    m_usec %= kUsecPerSec;
    if (m_sec > 0 && m_usec < 0)
    {
      --m_sec;
      m_usec += kUsecPerSec;
    }
    else if (m_sec < 0 && m_usec > 0)
    {
      ++m_sec;
      m_usec -= kUsecPerSec;
    }
  }
}  // namespace coil
