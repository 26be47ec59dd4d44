#include "client/LocalComponent.h"

#include "client/Error.h"
#include "client/Orb.h"

#include <rtm/InPortBase.h>
#include <rtm/OutPortBase.h>

#include <unistd.h>

#include <chrono>
#include <thread>

namespace rtctl
{
  namespace
  {
    // How long the ORB may take to finish calls still running in our servants after exit.
    const auto kReleaseTimeout = std::chrono::seconds(5);
    const char* const kPortName = "port";

    bool released(PortableServer::ServantBase& servant) { return servant._refcount_value() <= 1; }
  }

  class LocalComponent::Servant : public RTC::DataFlowComponentBase
  {
  public:
    Servant(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa, const std::string& role)
      : RTC::DataFlowComponentBase(orb, poa)
    {
      const std::string instance = "rtctl_" + role + "_" + std::to_string(::getpid());
      coil::Properties& p = getProperties();
      p.setProperty("instance_name", instance);
      p.setProperty("type_name", "rtctl_" + role);
      p.setProperty("description", "rtctl " + role);
      p.setProperty("version", "1.0.0");
      p.setProperty("vendor", "rtctl");
      p.setProperty("category", "Tool");
      p.setProperty("activity_type", "PERIODIC");
      // Nothing runs in the context: it only has to exist, so it may tick slowly.
      p.setProperty("exec_cxt.periodic.rate", "10");
    }
  };

  LocalComponent::LocalComponent(Orb& orb, const std::string& role, std::unique_ptr<LocalPort> port)
    : m_component(new Servant(orb.orb(), orb.poa(), role)), m_port(std::move(port))
  {
    const RTC::ReturnCode_t ret = m_component->initialize();
    bool added = false;
    if (ret == RTC::RTC_OK)
    {
      if (m_port->isInput())
        added = m_component->addInPort(kPortName, static_cast<RTC::InPortBase&>(m_port->port()));
      else
        added = m_component->addOutPort(kPortName, static_cast<RTC::OutPortBase&>(m_port->port()));
    }
    if (!added)
    {
      if (ret == RTC::RTC_OK)
        m_component->exit();
      m_component->_remove_ref();
      throw Error(ret == RTC::RTC_OK ? std::string("rtctl's own component refused its port")
                                     : "rtctl's own component did not initialize (" + std::to_string(ret) + ")");
    }
  }

  LocalComponent::~LocalComponent()
  {
    try
    {
      // exit() disconnects every port (which tells the peer) and takes the servants out of the POA.
      m_port->port().disconnect_all();
      m_component->exit();
    }
    catch (...)
    {
      // The peer may be gone already; our side is torn down all the same.
    }
    const auto deadline = std::chrono::steady_clock::now() + kReleaseTimeout;
    while (!(released(*m_component) && released(m_port->port())) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (released(*m_component) && released(m_port->port()))
    {
      m_component->_remove_ref();
      return;
    }
    // A call still runs in them: leave both to the ORB rather than free memory it uses; the
    // process ends right after this.
    (void)m_port.release();
  }

  std::string LocalComponent::connect(RTC::PortService_ptr target, const PortConnector::Properties& properties)
  {
    return PortConnector::connect(m_port->port().getPortRef(), target, properties, "rtctl", "");
  }
}
