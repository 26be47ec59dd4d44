#include "client/DataPortTarget.h"

#include "client/Error.h"

#include <algorithm>

namespace rtctl
{
  DataPortTarget::DataPortTarget(Session& session, const RtPath& path, bool wantInput)
    : m_path(path.requirePort()), m_component(session.names(path), path), m_port(m_component.port(path.port())),
      m_codec(nullptr), m_nextProbe(std::chrono::steady_clock::now() + std::chrono::seconds(1))
  {
    const PortInfo& info = m_port.info;
    if (wantInput && !info.isInput())
      throw Error(path.text() + " is " +
                  (info.isOutput() ? "an output port" : "not a data input port (" + info.portType() + ")") +
                  "; inject writes to an input port");
    if (!wantInput && !info.isOutput())
      throw Error(path.text() + " is " +
                  (info.isInput() ? "an input port" : "not a data output port (" + info.portType() + ")") +
                  "; print reads from an output port");
    m_codec = SampleCodec::find(info.dataType());
    if (m_codec == nullptr)
      // The list of what it carries would run to some 120 names: say what they have in common.
      throw Error(path.text() + " carries " +
                  (info.dataType().empty() ? std::string("no data type") : info.dataType()) +
                  ", which rtctl cannot carry (it carries the middleware's own data types, IDL:RTC/<Name>:1.0 "
                  "from TimedLong to RangeData)");
  }

  PortConnector::Properties DataPortTarget::connectorProperties() const
  {
    return {
      {"dataport.dataflow_type", "push"},
      {"dataport.interface_type", "corba_cdr"},
      {"dataport.subscription_type", "flush"},
      {"dataport.data_type", m_codec->typeId()},
    };
  }
  std::chrono::milliseconds DataPortTarget::drainTime() const
  {
    const std::chrono::milliseconds fallback(200);
    const std::chrono::milliseconds least(20);
    const std::chrono::milliseconds most(2000);
    try
    {
      RTC::ExecutionContextList_var owned = m_component.ref()->get_owned_contexts();
      if (owned->length() == 0)
        return fallback;
      const double rate = owned[0]->get_rate();
      if (!(rate > 0))
        return fallback;
      const auto ten = std::chrono::milliseconds(static_cast<long>(10000.0 / rate) + 1);
      return std::min(most, std::max(least, ten));
    }
    catch (const CORBA::Exception&)
    {
      return fallback;
    }
  }
  bool DataPortTarget::vanished() const
  {
    const auto now = std::chrono::steady_clock::now();
    if (now < m_nextProbe)
      return false;
    m_nextProbe = now + std::chrono::seconds(1);
    try
    {
      return m_port.ref->_non_existent();
    }
    catch (const CORBA::TIMEOUT&)
    {
      return false;  // busy, not gone
    }
    catch (const CORBA::Exception&)
    {
      return true;
    }
  }
}
