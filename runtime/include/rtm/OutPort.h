// RTC::OutPort<T>: an output data port bound to a sample of an IDL data type (RTC::TimedLong...).
// write() sends the bound sample's current contents to every connected peer.
#ifndef RTM_OUTPORT_H
#define RTM_OUTPORT_H

#include <rtm/OutPortBase.h>
#include <rtm/PortCallback.h>
#include <rtm/detail/TypedSampleOps.h>

#include <sys/time.h>

namespace RTC
{
  template <class DataType>
  class OutPort : public OutPortBase
  {
  public:
    OutPort(const char* name, DataType& value)
      : OutPortBase(name, ::rtm::TypedSampleOps<DataType>::instance(), &value), m_value(value), m_onWrite(0)
    {}
    virtual ~OutPort() {}

    const char* name() const { return getName(); }

    // Never throws; false if there is no connection or sending failed on any of them
    // (getStatusList() says how each fared). The timestamp is left as the caller set it.
    virtual bool write(DataType& value)
    {
      if (m_onWrite != 0 && !callBack(value))
        return false;
      return writeSample(&value, m_converter.callback != 0 ? &m_converter : 0);
    }
    virtual bool write() { return write(m_value); }
    bool operator<<(DataType& value) { return write(value); }

    // Called at the start of each write; not owned, replaced by a second call.
    void setOnWrite(OnWrite<DataType>* on_write) { m_onWrite = on_write; }
    // Called once per connection on each write; what it returns is sent there. Not owned.
    void setOnWriteConvert(OnWriteConvert<DataType>* on_wconvert) { m_converter.callback = on_wconvert; }

  private:
    class Converter : public SampleConverter
    {
    public:
      Converter() : callback(0) {}
      virtual const void* convert(const void* sample)
      {
        converted = (*callback)(*static_cast<const DataType*>(sample));
        return &converted;
      }
      OnWriteConvert<DataType>* callback;
      DataType converted;
    };

    // A callback that throws costs this write, not the component.
    bool callBack(const DataType& value)
    {
      try
      {
        (*m_onWrite)(value);
        return true;
      }
      catch (...)
      {
        callbackFailed("OnWrite");
        return false;
      }
    }

    DataType& m_value;
    OnWrite<DataType>* m_onWrite;
    Converter m_converter;
  };
}

// Stamps a sample with the wall-clock time, as the middleware does: seconds, and the
// microseconds as nanoseconds.
template <class DataType>
void setTimestamp(DataType& data)
{
  struct timeval tv;
  gettimeofday(&tv, 0);
  data.tm.sec = static_cast<CORBA::ULong>(tv.tv_sec);
  data.tm.nsec = static_cast<CORBA::ULong>(tv.tv_usec * 1000);
}

#endif
