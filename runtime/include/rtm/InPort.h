// RTC::InPort<T>: an input data port bound to a sample of an IDL data type (RTC::TimedLong...).
// read() copies the oldest waiting sample into the bound sample.
#ifndef RTM_INPORT_H
#define RTM_INPORT_H

#include <rtm/InPortBase.h>
#include <rtm/PortCallback.h>
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
      : InPortBase(name, ::rtm::TypedSampleOps<DataType>::instance()), m_value(value), m_onRead(0), m_onReadConvert(0)
    {}
    virtual ~InPort() {}

    virtual const char* name() { return getName(); }
    const char* name() const { return getName(); }

    // Never throws; false if there was nothing to read (see the buffer's read policy), and then
    // the bound sample is left as it was.
    virtual bool read()
    {
      if (m_onRead != 0 && !callBack())
        return false;
      if (!readSample(&m_value))
        return false;
      return m_onReadConvert == 0 || convert();
    }
    void update() { read(); }

    void operator>>(DataType& rhs)
    {
      read();
      rhs = m_value;
    }

    // Called at the start of each read; not owned, replaced by a second call.
    void setOnRead(OnRead<DataType>* on_read) { m_onRead = on_read; }
    // Called after each successful read; what it returns becomes the bound sample. Not owned.
    void setOnReadConvert(OnReadConvert<DataType>* on_rconvert) { m_onReadConvert = on_rconvert; }

  private:
    // A callback that throws costs this read, not the component.
    bool callBack()
    {
      try
      {
        (*m_onRead)();
        return true;
      }
      catch (...)
      {
        callbackFailed("OnRead");
        return false;
      }
    }

    bool convert()
    {
      try
      {
        m_value = (*m_onReadConvert)(m_value);
        return true;
      }
      catch (...)
      {
        callbackFailed("OnReadConvert");
        return false;
      }
    }

    DataType& m_value;
    OnRead<DataType>* m_onRead;
    OnReadConvert<DataType>* m_onReadConvert;
  };
}

#endif
