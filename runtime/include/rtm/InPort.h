// RTC::InPort<T>: an input data port bound to a sample of an IDL data type (RTC::TimedLong...).
// read() copies the oldest waiting sample into the bound sample.
#ifndef RTM_INPORT_H
#define RTM_INPORT_H

#include <rtm/InPortBase.h>
#include <rtm/detail/TypedSampleOps.h>
// What the middleware's InPort.h brings along, which components use unincluded.
#include <coil/OS.h>
#include <coil/Time.h>
#include <coil/TimeValue.h>
#include <iostream>

namespace RTC
{
  template <class DataType>
  class InPort : public InPortBase
  {
  public:
    // bufsize and the blocking arguments are accepted for compatibility and ignored, as by the
    // 1.1 middleware: the buffer is configured through the port's and connections' options.
    InPort(const char* name, DataType& value, int /*bufsize*/ = 64, bool /*read_block*/ = false,
           bool /*write_block*/ = false, int /*read_timeout*/ = 0, int /*write_timeout*/ = 0)
      : InPortBase(name, ::rtm::TypedSampleOps<DataType>::instance()), m_value(value)
    {}
    virtual ~InPort() = default;

    const char* name() const { return getName(); }

    // Never throws; false if there was nothing to read (see the buffer's read policy).
    bool read() { return readSample(&m_value); }

    void operator>>(DataType& rhs)
    {
      read();
      rhs = m_value;
    }

  private:
    DataType& m_value;
  };
}

#endif
