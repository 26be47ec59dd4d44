// Test doubles and helpers for the port tests: a bare component that hosts ports in the test
// ORB, and connector profiles built and sent the way a tool does with raw CORBA calls.
#pragma once

#include <rtm/InPort.h>
#include <rtm/OutPort.h>
#include <rtm/RTObject.h>
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/idl/DataPortSkel.h>

#include "testsupport/NamingClient.h"
#include "testsupport/Wait.h"

#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace porttest
{
  using Props = std::vector<std::pair<std::string, std::string>>;

  inline PortableServer::POA_ptr rootPoa()
  {
    static PortableServer::POA_ptr poa = [] {
      CORBA::Object_var obj = testsupport::testOrb()->resolve_initial_references("RootPOA");
      return PortableServer::POA::_narrow(obj.in());
    }();
    return poa;
  }

  // A component that is never initialised: it only gives its ports an owner, a name and a POA.
  class Host : public RTC::RTObject_impl
  {
  public:
    explicit Host(const std::string& instanceName) : RTC::RTObject_impl(testsupport::testOrb(), rootPoa())
    {
      setInstanceName(instanceName.c_str());
    }

    // Takes down what the component would on finalize, then waits until no servant is used.
    void shutdown()
    {
      for (RTC::PortBase* port : m_ports)
      {
        port->disconnect_all();
        port->deactivatePort();
      }
      try
      {
        PortableServer::ObjectId_var oid = rootPoa()->reference_to_id(getObjRef());
        rootPoa()->deactivate_object(oid.in());
      }
      catch (...)
      {}
      testsupport::waitUntil(
        [this] {
          for (RTC::PortBase* port : m_ports)
            if (port->_refcount_value() > 1)
              return false;
          return _refcount_value() <= 1;
        },
        std::chrono::seconds(5));
    }

    template <class Port>
    void addIn(const char* /*name*/, Port& port, const Props& options = {})
    {
      coil::Properties prop;
      for (const auto& kv : options)
        prop.setProperty(kv.first, kv.second);
      port.init(prop);
      addPort(port);
      m_ports.push_back(&port);
    }

    template <class Port>
    void addOut(const char* name, Port& port, const Props& options = {})
    {
      addIn(name, port, options);
    }

  private:
    std::vector<RTC::PortBase*> m_ports;
  };

  // A host with one TimedLong port of each direction.
  struct LongPorts
  {
    explicit LongPorts(const std::string& name, const Props& inOptions = {}, const Props& outOptions = {})
      : host(name), in("in", inSample), out("out", outSample)
    {
      host.addIn("in", in, inOptions);
      host.addOut("out", out, outOptions);
    }
    ~LongPorts() { host.shutdown(); }

    RTC::TimedLong inSample{};
    RTC::TimedLong outSample{};
    Host host;
    RTC::InPort<RTC::TimedLong> in;
    RTC::OutPort<RTC::TimedLong> out;
  };

  inline void setString(SDOPackage::NVList& nv, const std::string& name, const std::string& value)
  {
    for (CORBA::ULong i = 0; i < nv.length(); ++i)
    {
      if (name == nv[i].name.in())
      {
        nv[i].value <<= value.c_str();
        return;
      }
    }
    const CORBA::ULong n = nv.length();
    nv.length(n + 1);
    nv[n].name = CORBA::string_dup(name.c_str());
    nv[n].value <<= value.c_str();
  }

  // The string value of a property, "" if absent; `found` tells which.
  inline std::string getString(const SDOPackage::NVList& nv, const std::string& name, bool* found = nullptr)
  {
    if (found != nullptr)
      *found = false;
    for (CORBA::ULong i = 0; i < nv.length(); ++i)
    {
      const char* value = nullptr;
      if (name == nv[i].name.in() && (nv[i].value >>= value))
      {
        if (found != nullptr)
          *found = true;
        return value;
      }
    }
    return "";
  }

  inline bool hasKey(const SDOPackage::NVList& nv, const std::string& name)
  {
    for (CORBA::ULong i = 0; i < nv.length(); ++i)
      if (name == nv[i].name.in())
        return true;
    return false;
  }

  // What a tool sends: push over corba_cdr unless overridden, the ports in the given order.
  inline RTC::ConnectorProfile profileFor(std::initializer_list<RTC::PortService_ptr> ports, const Props& props = {},
                                          const std::string& id = "")
  {
    RTC::ConnectorProfile cp;
    cp.name = CORBA::string_dup("test-connection");
    cp.connector_id = CORBA::string_dup(id.c_str());
    cp.ports.length(static_cast<CORBA::ULong>(ports.size()));
    CORBA::ULong i = 0;
    for (RTC::PortService_ptr port : ports)
      cp.ports[i++] = RTC::PortService::_duplicate(port);
    setString(cp.properties, "dataport.interface_type", "corba_cdr");
    setString(cp.properties, "dataport.dataflow_type", "push");
    setString(cp.properties, "dataport.subscription_type", "flush");
    for (const auto& kv : props)
      setString(cp.properties, kv.first, kv.second);
    return cp;
  }

  // Connects through the reference of `initiator`, as a tool does; returns the code and leaves
  // the completed profile in `cp`.
  inline RTC::ReturnCode_t connectVia(RTC::PortService_ptr initiator, RTC::ConnectorProfile& cp)
  {
    return initiator->connect(cp);
  }

  inline std::vector<std::string> connectorIds(RTC::PortService_ptr port)
  {
    RTC::ConnectorProfileList_var list = port->get_connector_profiles();
    std::vector<std::string> ids;
    for (CORBA::ULong i = 0; i < list->length(); ++i)
      ids.push_back(list[i].connector_id.in());
    return ids;
  }

  inline RTC::TimedLong timedLong(CORBA::ULong sec, CORBA::ULong nsec, CORBA::Long data)
  {
    RTC::TimedLong sample;
    sample.tm.sec = sec;
    sample.tm.nsec = nsec;
    sample.data = data;
    return sample;
  }

  // An InPortCdr that records what it is sent and answers with a chosen status.
  class RecordingInPort : public virtual POA_OpenRTM::InPortCdr
  {
  public:
    OpenRTM::PortStatus put(const OpenRTM::CdrData& data) override
    {
      std::lock_guard<std::mutex> lock(mutex);
      received.emplace_back(data.get_buffer(), data.get_buffer() + data.length());
      return answer;
    }
    std::vector<std::vector<CORBA::Octet>> snapshot()
    {
      std::lock_guard<std::mutex> lock(mutex);
      return received;
    }

    std::mutex mutex;
    std::vector<std::vector<CORBA::Octet>> received;
    OpenRTM::PortStatus answer = OpenRTM::PORT_OK;
  };
}

namespace porttest
{
  // Plays the out side of a push connection as a peer would: only the in port takes part in the
  // handshake, and the test puts octets into the object it hands back.
  inline OpenRTM::InPortCdr_ptr attachRawWriter(RTC::PortService_ptr inPort, const Props& props = {},
                                                std::string* id = nullptr)
  {
    RTC::ConnectorProfile cp = profileFor({inPort}, props, id != nullptr && !id->empty() ? *id : "raw-writer");
    if (inPort->notify_connect(cp) != RTC::RTC_OK)
      return OpenRTM::InPortCdr::_nil();
    if (id != nullptr)
      *id = cp.connector_id.in();
    CORBA::Object_var obj =
      testsupport::testOrb()->string_to_object(getString(cp.properties, "dataport.corba_cdr.inport_ior").c_str());
    return OpenRTM::InPortCdr::_narrow(obj.in());
  }

  // Plays the in side of a push connection: the out port sends to `target`.
  inline RTC::ReturnCode_t attachRawReader(RTC::PortService_ptr outPort, OpenRTM::InPortCdr_ptr target,
                                           const Props& props = {}, const std::string& id = "raw-reader")
  {
    RTC::ConnectorProfile cp = profileFor({outPort}, props, id);
    CORBA::String_var ior = testsupport::testOrb()->object_to_string(target);
    setString(cp.properties, "dataport.corba_cdr.inport_ior", ior.in());
    return outPort->notify_connect(cp);
  }

  inline OpenRTM::CdrData octets(std::initializer_list<int> bytes)
  {
    OpenRTM::CdrData data;
    data.length(static_cast<CORBA::ULong>(bytes.size()));
    CORBA::ULong i = 0;
    for (int b : bytes)
      data[i++] = static_cast<CORBA::Octet>(b);
    return data;
  }

  // A TimedLong's octets: sec, nsec, data, each in the given byte order.
  inline OpenRTM::CdrData timedLongOctets(CORBA::ULong sec, CORBA::ULong nsec, CORBA::Long data, bool bigEndian)
  {
    OpenRTM::CdrData out;
    out.length(12);
    const CORBA::ULong words[3] = {sec, nsec, static_cast<CORBA::ULong>(data)};
    for (int w = 0; w < 3; ++w)
      for (int b = 0; b < 4; ++b)
      {
        const int shift = 8 * (bigEndian ? 3 - b : b);
        out[static_cast<CORBA::ULong>(4 * w + b)] = static_cast<CORBA::Octet>(words[w] >> shift);
      }
    return out;
  }

  // As a peer of the 1.1 middleware sends it.
  inline OpenRTM::CdrData leTimedLong(CORBA::ULong sec, CORBA::ULong nsec, CORBA::Long data)
  {
    return timedLongOctets(sec, nsec, data, false);
  }

  inline OpenRTM::CdrData beTimedLong(CORBA::ULong sec, CORBA::ULong nsec, CORBA::Long data)
  {
    return timedLongOctets(sec, nsec, data, true);
  }

  // Activates a servant in the test ORB for the duration of a test. The POA holds the only
  // reference, so the servant is freed by whichever thread ends its last call, never while the
  // test still releases a reference of its own.
  template <class Servant>
  class Served
  {
  public:
    Served()
    {
      PortableServer::Servant_var<Servant> owned = new Servant;
      servant = owned.in();
      PortableServer::ObjectId_var oid = rootPoa()->activate_object(servant);
      CORBA::Object_var obj = rootPoa()->id_to_reference(oid.in());
      ref = obj;
    }
    ~Served() { stop(); }
    void stop()
    {
      try
      {
        PortableServer::ObjectId_var oid = rootPoa()->reference_to_id(ref.in());
        rootPoa()->deactivate_object(oid.in());
      }
      catch (...)
      {}
    }
    // Valid until stop().
    Servant* operator->() { return servant; }
    Servant* servant = nullptr;
    CORBA::Object_var ref;
  };
}
