// The base class of data-flow components: an RT-component driven by a periodic execution context.
#ifndef RTM_DATAFLOWCOMPONENTBASE_H
#define RTM_DATAFLOWCOMPONENTBASE_H

#include <rtm/RTObject.h>
// Components written for the middleware reach the manager (and all it brings) through this header.
#include <rtm/Manager.h>

namespace RTC
{
  class DataFlowComponentBase : public RTObject_impl
  {
  public:
    explicit DataFlowComponentBase(Manager* manager) : RTObject_impl(manager) {}
    DataFlowComponentBase(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa) : RTObject_impl(orb, poa) {}
    virtual ~DataFlowComponentBase() = default;
    virtual void init() {}
  };
}

#endif
