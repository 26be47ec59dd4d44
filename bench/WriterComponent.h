// The benchmarks' writing peer: a component with one TimedLong output port "out", created in the
// benchmark process by its own manager so that writes go through the runtime under test.
#pragma once

#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>
#include <rtm/OutPort.h>

namespace bench
{
  class WriterComponent : public RTC::DataFlowComponentBase
  {
  public:
    explicit WriterComponent(RTC::Manager* manager);
    RTC::ReturnCode_t onInitialize() override;

    RTC::PortService_ptr port() const { return m_outPort.getPortRef(); }
    bool write(CORBA::Long seq);

  private:
    RTC::TimedLong m_sample;
    RTC::OutPort<RTC::TimedLong> m_outPort;
  };

  // Registers the writer type under `typeName` and creates its one instance (null on failure).
  // Call it from the manager's module procedure.
  WriterComponent* createWriter(RTC::Manager* manager, const char* typeName);
}
