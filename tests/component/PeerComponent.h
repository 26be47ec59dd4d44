// A test peer with the opposite ports of Trimul: it writes what Trimul reads and reads what
// Trimul writes, connected through the ports' own CORBA handshake as a tool would connect them.
#pragma once

#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/DataInPort.h>
#include <rtm/DataOutPort.h>

#include <string>

class PeerComponent : public RTC::DataFlowComponentBase
{
public:
  PeerComponent(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa);
  RTC::ReturnCode_t onInitialize() override;

  RTC::TimedLong outSample;
  RTC::OutPort<RTC::TimedLong> out;
  RTC::TimedLong in1Sample, in2Sample, in3Sample;
  RTC::InPort<RTC::TimedLong> in1, in2, in3;
};

// Connects two ports with push/flush over corba_cdr, calling connect on the first as a tool does.
RTC::ReturnCode_t connectPorts(RTC::PortService_ptr a, RTC::PortService_ptr b, std::string& connectorId);
