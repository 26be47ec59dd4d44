// What the port machinery needs to know about one data type, so that all of it but this small
// table can live in the runtime library instead of being instantiated in every component.
//
// Not API: the port headers include it, components never do.
#ifndef RTM_SAMPLEOPS_H
#define RTM_SAMPLEOPS_H

#include <omniORB4/CORBA.h>
#include <memory>

namespace rtm
{
  class SampleOps
  {
  public:
    virtual ~SampleOps();
    // The repository ID peers and tools compare ("IDL:RTC/TimedLong:1.0").
    virtual const char* typeId() const = 0;
    // A new value-initialised sample.
    virtual std::shared_ptr<void> create() const = 0;
    virtual void copy(void* to, const void* from) const = 0;
    // Both may throw what omniORB throws for a malformed or unmarshallable sample.
    virtual void marshal(const void* sample, cdrStream& out) const = 0;
    virtual void unmarshal(void* sample, cdrStream& in) const = 0;
    virtual void toAny(CORBA::Any& any, const void* sample) const = 0;
  };
}

#endif
