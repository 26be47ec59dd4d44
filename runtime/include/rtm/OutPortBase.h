// The type-independent half of an output data port.
#ifndef RTM_OUTPORTBASE_H
#define RTM_OUTPORTBASE_H

#include <rtm/PortBase.h>
#include <coil/Properties.h>

namespace RTC
{
  class OutPortBase : public PortBase
  {
  public:
    explicit OutPortBase(const char* name);
    virtual ~OutPortBase();
    // Port options from the component's properties (port.outport.<name>.*): buffer defaults, limits.
    virtual void init(coil::Properties& prop);
  };
}

#endif
