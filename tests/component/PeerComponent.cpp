#include "PeerComponent.h"

PeerComponent::PeerComponent(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa)
  : RTC::DataFlowComponentBase(orb, poa), out("out", outSample), in1("in1", in1Sample), in2("in2", in2Sample),
    in3("in3", in3Sample)
{
  getProperties().setProperty("instance_name", "Peer0");
}

RTC::ReturnCode_t PeerComponent::onInitialize()
{
  addOutPort("out", out);
  addInPort("in1", in1);
  addInPort("in2", in2);
  addInPort("in3", in3);
  return RTC::RTC_OK;
}

namespace
{
  void setString(SDOPackage::NVList& nv, const char* name, const char* value)
  {
    const CORBA::ULong n = nv.length();
    nv.length(n + 1);
    nv[n].name = CORBA::string_dup(name);
    nv[n].value <<= value;
  }
}

RTC::ReturnCode_t connectPorts(RTC::PortService_ptr a, RTC::PortService_ptr b, std::string& connectorId)
{
  RTC::ConnectorProfile profile;
  profile.name = CORBA::string_dup("test");
  profile.connector_id = CORBA::string_dup("");
  profile.ports.length(2);
  profile.ports[0] = RTC::PortService::_duplicate(a);
  profile.ports[1] = RTC::PortService::_duplicate(b);
  setString(profile.properties, "dataport.interface_type", "corba_cdr");
  setString(profile.properties, "dataport.dataflow_type", "push");
  setString(profile.properties, "dataport.subscription_type", "flush");
  setString(profile.properties, "dataport.data_type", "IDL:RTC/TimedLong:1.0");
  const RTC::ReturnCode_t ret = a->connect(profile);
  connectorId = static_cast<const char*>(profile.connector_id);
  return ret;
}
