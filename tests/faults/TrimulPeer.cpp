#include "TrimulPeer.h"

#include "testsupport/PushConnection.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace faults
{
  namespace
  {
    // Push over corba_cdr between two ports, as a tool sends it.
    RTC::ConnectorProfile profileFor(RTC::PortService_ptr a, RTC::PortService_ptr b, const std::string& subscription,
                                     const std::string& callTimeout, const char* bufferLength)
    {
      RTC::ConnectorProfile cp = testsupport::pushProfile("faults", a, b, subscription);
      if (subscription == "new")
        testsupport::addProperty(cp.properties, "dataport.publisher.push_policy", "all");
      if (!callTimeout.empty())
        testsupport::addProperty(cp.properties, "dataport.corba_cdr.call_timeout", callTimeout);
      // Sizes the receiving port's buffer, so a reader thread that is a little late loses nothing.
      if (bufferLength != nullptr)
        testsupport::addProperty(cp.properties, "dataport.buffer.length", bufferLength);
      return cp;
    }

    // "Trimul0.x1" -> "x1": tools strip the instance prefix the same way.
    std::string portName(RTC::PortService_ptr port)
    {
      RTC::PortProfile_var profile = port->get_port_profile();
      const std::string name = profile->name.in();
      const auto dot = name.rfind('.');
      return dot == std::string::npos ? name : name.substr(dot + 1);
    }
  }

  constexpr std::array<CORBA::Long, 3> TrimulPeer::kFactors;

  TrimulPeer::TrimulPeer(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa, const PeerOptions& options)
    : m_options(options), m_poa(PortableServer::POA::_duplicate(poa)), m_ports(orb, poa), m_next(options.first)
  {
    m_ports.setInstanceName(("Peer" + std::to_string(::getpid())).c_str());
    m_ports.addPorts();
    for (OutputTally& t : m_tallies)
      t.lastMine = options.first - 1;
  }

  TrimulPeer::~TrimulPeer() { shutdown(); }

  bool TrimulPeer::connect(RTC::RTObject_ptr trimul, std::string& problem)
  {
    try
    {
      RTC::PortServiceList_var ports = trimul->get_ports();
      for (CORBA::ULong i = 0; i < ports->length(); ++i)
      {
        const std::string name = portName(ports[i]);
        if (name == "x1")
          m_x1 = RTC::PortService::_duplicate(ports[i]);
        for (size_t k = 0; k < 3; ++k)
          if (name == "y" + std::to_string(k + 1))
            m_ys[k] = RTC::PortService::_duplicate(ports[i]);
      }
      if (CORBA::is_nil(m_x1) || CORBA::is_nil(m_ys[0]) || CORBA::is_nil(m_ys[1]) || CORBA::is_nil(m_ys[2]))
      {
        problem = "the component lacks one of x1, y1, y2, y3";
        return false;
      }

      RTC::ConnectorProfile x =
        profileFor(m_ports.out.getPortRef(), m_x1.in(), "flush", m_options.callTimeout, nullptr);
      RTC::ReturnCode_t ret = m_ports.out.getPortRef()->connect(x);
      if (ret != RTC::RTC_OK)
      {
        problem = "connecting x1 answered " + std::to_string(ret);
        disconnect();
        return false;
      }
      m_ids[0] = x.connector_id.in();
      for (size_t k = 0; k < 3; ++k)
      {
        RTC::ConnectorProfile y =
          profileFor(m_ys[k].in(), m_ports.ins[k]->getPortRef(), m_options.subscription, m_options.callTimeout, "4096");
        ret = m_ports.ins[k]->getPortRef()->connect(y);
        if (ret != RTC::RTC_OK)
        {
          problem = "connecting y" + std::to_string(k + 1) + " answered " + std::to_string(ret);
          disconnect();
          return false;
        }
        m_ids[k + 1] = y.connector_id.in();
      }

      // A component that is already active answers PRECONDITION_NOT_MET: that is fine.
      RTC::ExecutionContextList_var ecs = trimul->get_owned_contexts();
      if (ecs->length() > 0)
        ecs[0u]->activate_component(trimul);
      return true;
    }
    catch (const CORBA::Exception& e)
    {
      problem = std::string("CORBA ") + e._name() + " while connecting";
      disconnect();
      return false;
    }
  }

  bool TrimulPeer::connectedOnBothSides()
  {
    try
    {
      std::array<RTC::PortService_ptr, 4> theirs{{m_x1.in(), m_ys[0].in(), m_ys[1].in(), m_ys[2].in()}};
      for (size_t i = 0; i < theirs.size(); ++i)
      {
        if (m_ids[i].empty() || CORBA::is_nil(theirs[i]))
          return false;
        RTC::ConnectorProfile_var held = theirs[i]->get_connector_profile(m_ids[i].c_str());
        if (m_ids[i] != held->connector_id.in())
          return false;
      }
      return m_ports.out.connectionCount() == 1;
    }
    catch (...)
    {
      return false;
    }
  }

  void TrimulPeer::disconnect()
  {
    std::array<RTC::PortBase*, 4> ours{{&m_ports.out, &m_ports.in1, &m_ports.in2, &m_ports.in3}};
    for (size_t i = 0; i < ours.size(); ++i)
    {
      if (!m_ids[i].empty())
        ours[i]->disconnect(m_ids[i].c_str());
      m_ids[i].clear();
    }
  }

  bool TrimulPeer::sendNext()
  {
    m_ports.outSample.tm.sec = static_cast<CORBA::ULong>(m_next);
    m_ports.outSample.tm.nsec = 0;
    const bool ok = m_ports.write(m_next++);
    (ok ? m_sent : m_sendFailures)++;
    return ok;
  }

  bool TrimulPeer::drainInputs()
  {
    bool any = false;
    for (size_t k = 0; k < 3; ++k)
    {
      while (m_ports.ins[k]->isNew() && m_ports.ins[k]->read())
      {
        count(k, m_ports.inSamples[k]->data);
        any = true;
      }
    }
    return any;
  }

  void TrimulPeer::count(size_t output, CORBA::Long value)
  {
    OutputTally& t = m_tallies[output];
    const CORBA::Long factor = kFactors[output];
    if (value % factor != 0)
    {
      ++t.bad;
      return;
    }
    // Our values stay small enough that no product wraps, so dividing recovers x exactly.
    const CORBA::Long x = value / factor;
    if (x < m_options.first || x >= m_options.first + kSpan)
    {
      ++t.others;
      return;
    }
    const long last = t.lastMine.load();
    if (x <= last)
      ++t.disorder;
    else
      t.gaps += x - last - 1;
    ++t.mine;
    t.lastMine = std::max<long>(last, x);
  }

  CORBA::Long TrimulPeer::lastReturned() const
  {
    long lowest = m_tallies[0].lastMine.load();
    for (const OutputTally& t : m_tallies)
      lowest = std::min(lowest, t.lastMine.load());
    return static_cast<CORBA::Long>(lowest);
  }

  void TrimulPeer::shutdown()
  {
    std::array<RTC::PortBase*, 4> ours{{&m_ports.out, &m_ports.in1, &m_ports.in2, &m_ports.in3}};
    for (RTC::PortBase* port : ours)
      port->deactivatePort();
    try
    {
      PortableServer::ObjectId_var oid = m_poa->reference_to_id(m_ports.getObjRef());
      m_poa->deactivate_object(oid.in());
    }
    catch (...)
    {
      // Already taken down.
    }
    // Calls still running in ORB threads hold references to the servants, which are members.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    const auto busy = [&] {
      for (RTC::PortBase* port : ours)
        if (port->_refcount_value() > 1)
          return true;
      return m_ports._refcount_value() > 1;
    };
    while (busy() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}
