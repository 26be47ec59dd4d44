// RTC::OutPort<T>: an output data port bound to a sample of an IDL data type (RTC::TimedLong...).
// write() sends the bound sample's current contents to every connected peer.
#ifndef RTM_OUTPORT_H
#define RTM_OUTPORT_H

#include <rtm/OutPortBase.h>
#include <rtm/detail/TypedSampleOps.h>

namespace RTC
{
  template <class DataType>
  class OutPort : public OutPortBase
  {
  public:
    OutPort(const char* name, DataType& value)
      : OutPortBase(name, ::rtm::TypedSampleOps<DataType>::instance(), &value), m_value(value)
    {}
    virtual ~OutPort() = default;

    const char* name() const { return getName(); }

    // Never throws; false if there is no connection or sending failed on any of them.
    bool write(DataType& value) { return writeSample(&value); }
    bool write() { return writeSample(&m_value); }
    bool operator<<(DataType& value) { return write(value); }

  private:
    DataType& m_value;
  };
}

#endif
