#include "TypedPeer.h"

#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace e2e
{
  class TypedPeer::Component : public RTC::DataFlowComponentBase
  {
  public:
    Component()
      : RTC::DataFlowComponentBase(testsupport::testOrb(), rootPoa()), doubleIn("value", doubleInSample),
        textIn("text", textInSample), octetIn("octet", octetInSample), doubleOut("out", doubleOutSample),
        poseIn("pose", poseInSample), poseOut("poseOut", poseInSample)
    {
      getProperties().setProperty("instance_name", "Peer0");
      getProperties().setProperty("type_name", "Peer");
      getProperties().setProperty("exec_cxt.periodic.rate", "10");
    }

    RTC::ReturnCode_t onInitialize() override
    {
      addInPort("value", doubleIn);
      addInPort("text", textIn);
      addInPort("octet", octetIn);
      addOutPort("out", doubleOut);
      addInPort("pose", poseIn);
      addOutPort("poseOut", poseOut);
      return RTC::RTC_OK;
    }

    static PortableServer::POA_ptr rootPoa()
    {
      static PortableServer::POA_var poa = [] {
        CORBA::Object_var obj = testsupport::testOrb()->resolve_initial_references("RootPOA");
        return PortableServer::POA::_narrow(obj.in());
      }();
      return poa.in();
    }

    RTC::TimedDouble doubleInSample;
    RTC::InPort<RTC::TimedDouble> doubleIn;
    RTC::TimedString textInSample;
    RTC::InPort<RTC::TimedString> textIn;
    RTC::TimedOctet octetInSample;
    RTC::InPort<RTC::TimedOctet> octetIn;
    RTC::TimedDouble doubleOutSample;
    RTC::OutPort<RTC::TimedDouble> doubleOut;
    RTC::TimedPose2D poseInSample;
    RTC::InPort<RTC::TimedPose2D> poseIn;
    RTC::OutPort<RTC::TimedPose2D> poseOut;
  };

  namespace
  {
    template <class Port>
    bool waitForSample(Port& port)
    {
      return testsupport::waitUntil([&] { return port.isNew(); }, 10s) && port.read();
    }
  }

  TypedPeer::TypedPeer(testsupport::NameServer& ns)
    : m_path(testsupport::hostName() + ".host_cxt/Peer0.rtc"), m_naming(testsupport::testOrb(), ns.corbaloc()),
      m_component(new Component)
  {
    EXPECT_EQ(RTC::RTC_OK, m_component->initialize());
    EXPECT_TRUE(m_naming.bind(m_path, m_component->getObjRef()));
  }

  TypedPeer::~TypedPeer()
  {
    m_naming.unbind(m_path);
    m_component->exit();
    // The ORB lets go of the servants once their last calls have returned.
    const bool released = testsupport::waitUntil(
      [this] {
        return m_component->_refcount_value() <= 1 && m_component->doubleIn._refcount_value() <= 1 &&
               m_component->textIn._refcount_value() <= 1 && m_component->octetIn._refcount_value() <= 1 &&
               m_component->doubleOut._refcount_value() <= 1 && m_component->poseIn._refcount_value() <= 1 &&
               m_component->poseOut._refcount_value() <= 1;
      },
      10s);
    if (released)
      m_component->_remove_ref();
  }

  bool TypedPeer::takeDouble(double& value)
  {
    if (!waitForSample(m_component->doubleIn))
      return false;
    value = m_component->doubleInSample.data;
    return true;
  }

  bool TypedPeer::takeString(std::string& value)
  {
    if (!waitForSample(m_component->textIn))
      return false;
    value = static_cast<const char*>(m_component->textInSample.data);
    return true;
  }

  bool TypedPeer::takeOctet(int& value)
  {
    if (!waitForSample(m_component->octetIn))
      return false;
    value = m_component->octetInSample.data;
    return true;
  }

  size_t TypedPeer::connectionsOf(const std::string& port)
  {
    if (port == "value")
      return m_component->doubleIn.connectionCount();
    if (port == "text")
      return m_component->textIn.connectionCount();
    if (port == "octet")
      return m_component->octetIn.connectionCount();
    return m_component->doubleOut.connectionCount();
  }

  void TypedPeer::sendDouble(double value)
  {
    m_component->doubleOutSample.tm.sec = 12;
    m_component->doubleOutSample.tm.nsec = 34;
    m_component->doubleOutSample.data = value;
    m_component->doubleOut.write();
  }

  bool TypedPeer::forwardPose(RTC::TimedPose2D& pose)
  {
    if (!waitForSample(m_component->poseIn))
      return false;
    pose = m_component->poseInSample;
    return m_component->poseOut.write();
  }
}
