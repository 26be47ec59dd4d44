// A span of time in seconds and microseconds, as coil's timing helpers take and return it.
#ifndef COIL_TIMEVALUE_H
#define COIL_TIMEVALUE_H

namespace coil
{
  class TimeValue
  {
  public:
    // Normalised at once: both fields carry the same sign and |usec| stays below a second.
    TimeValue(long int sec = 0, long int usec = 0);
    TimeValue(double timeval);
    virtual ~TimeValue() {}

    long int sec() const { return m_sec; }
    long int usec() const { return m_usec; }

    // The middleware takes the right-hand side by non-const reference; sources rely on no more.
    TimeValue operator-(TimeValue& tm);
    TimeValue operator+(TimeValue& tm);
    TimeValue operator=(double time);
    operator double() const;
    // -1, 0 or 1.
    int sign() const;

  protected:
    void normalize();

  private:
    long int m_sec;
    long int m_usec;
  };
}  // namespace coil

#endif  // COIL_TIMEVALUE_H
