// The type-independent half of an input data port.
#ifndef RTM_INPORTBASE_H
#define RTM_INPORTBASE_H

#include <rtm/PortBase.h>
#include <coil/Properties.h>

namespace RTC
{
  class InPortBase : public PortBase
  {
  public:
    explicit InPortBase(const char* name);
    virtual ~InPortBase();
    // Port options from the component's properties (port.inport.<name>.*): buffer defaults, limits.
    virtual void init(coil::Properties& prop);
  };
}

#endif
