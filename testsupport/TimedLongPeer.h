// The peer every test and benchmark of TimedLong data flow uses: a component with the opposite
// ports of Trimul, one output "out" (to Trimul's x1) and three inputs "in1".."in3" (from y1..y3).
// Each program keeps its own way of running it: created by a manager with an execution context
// (the benchmarks), initialised in a test process, or never initialised, with its ports added by
// hand (a process whose only threads are the ORB's and its own).
#pragma once

#include <rtm/DataFlowComponentBase.h>
#include <rtm/InPort.h>
#include <rtm/Manager.h>
#include <rtm/OutPort.h>
#include <rtm/idl/BasicDataTypeSkel.h>

#include <array>
#include <cstddef>

namespace testsupport
{
  class TimedLongPeer : public RTC::DataFlowComponentBase
  {
  public:
    explicit TimedLongPeer(RTC::Manager* manager);
    TimedLongPeer(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa);

    // Registers the type under `typeName` and creates its one instance (null on failure). Call it
    // from the manager's module procedure.
    static TimedLongPeer* create(RTC::Manager* manager, const char* typeName);

    RTC::ReturnCode_t onInitialize() override;
    // What onInitialize() does, for a peer that is never initialised.
    bool addPorts();

    // Sends `value` as the sample's data (its time stamp stays as set); false if a connection
    // did not take it.
    bool write(CORBA::Long value);

    RTC::TimedLong outSample{};
    RTC::OutPort<RTC::TimedLong> out;
    RTC::TimedLong in1Sample{}, in2Sample{}, in3Sample{};
    RTC::InPort<RTC::TimedLong> in1, in2, in3;
    // The inputs and their samples by index, for peers that treat y1..y3 alike.
    const std::array<RTC::InPort<RTC::TimedLong>*, 3> ins;
    const std::array<RTC::TimedLong*, 3> inSamples;
  };
}
