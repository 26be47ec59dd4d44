#include "component/ComponentCore.h"

#include "ec/PeriodicExecutionContext.h"
#include "ec/ForwardingCallbacks.h"
#include "log/Logger.h"
#include "log/Warning.h"
#include "sdo/SdoConfiguration.h"

#include <rtm/Manager.h>
#include <rtm/PortBase.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace rtm
{
  namespace
  {
    const char* const kPeriodicContextType = "PeriodicExecutionContext";
    const double kDefaultRate = 1000.0;

    // The POA holds one reference to each servant it serves and drops it only once the servant
    // is deactivated and its last call has returned; what is left then is the owner's own.
    bool released(PortableServer::ServantBase& servant) { return servant._refcount_value() <= 1; }

    void deactivateObject(PortableServer::POA_ptr poa, CORBA::Object_ptr ref)
    {
      if (CORBA::is_nil(ref))
        return;
      try
      {
        PortableServer::ObjectId_var oid = poa->reference_to_id(ref);
        poa->deactivate_object(oid.in());
      }
      catch (...)
      {
        // Already gone: nothing left to do.
      }
    }
  }

  ComponentCore::ComponentCore(RTC::RTObject_impl& self, RTC::Manager* mgr, CORBA::ORB_ptr o, PortableServer::POA_ptr p)
    : manager(mgr), orb(CORBA::ORB::_duplicate(o)), poa(PortableServer::POA::_duplicate(p)), m_self(self)
  {}

  ComponentCore::~ComponentCore()
  {
    // A component deleted without exit() (a failed creation) may still own live servants.
    destroyOwnedContexts();
    for (PeriodicExecutionContext* ec : m_ownedServants)
      ec->_remove_ref();
    if (m_configuration != nullptr)
    {
      m_configuration->deactivate();
      m_configuration->_remove_ref();
    }
  }

  RTC::RTObject_ptr ComponentCore::objref()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (CORBA::is_nil(m_objref))
    {
      PortableServer::ObjectId_var oid = poa->activate_object(&m_self);
      CORBA::Object_var obj = poa->id_to_reference(oid.in());
      m_objref = RTC::RTObject::_narrow(obj.in());
    }
    return m_objref.in();
  }

  RTC::ReturnCode_t ComponentCore::initialize()
  {
    if (!m_created)
      return RTC::PRECONDITION_NOT_MET;  // a second initialize would start a second context
    // Every component has the configuration set "default", empty when it has no parameters, and
    // tools list it from the start. Made here, before any call can reach the component, so that
    // reading the active set never has to add it to a tree that clients are reading.
    properties.getNode("conf.default");

    std::string type = properties.getProperty("exec_cxt.periodic.type");
    if (type.empty())
      type = kPeriodicContextType;
    // The externally triggered contexts (the OpenHRP one is the same: its ticks are synchronous)
    // are the periodic context run by tick() instead of a timer.
    const bool external = type == "ExtTrigExecutionContext" || type == "SynchExtTriggerEC";
    if (type != kPeriodicContextType && !external)
    {
      RTM_LOG_ERROR("component", "no execution context of type '" << type << "'");
      return RTC::RTC_ERROR;
    }

    RTC::RTObject_var self = RTC::RTObject::_duplicate(objref());
    auto* ec = new PeriodicExecutionContext(poa.in(), external ? PeriodicExecutionContext::Trigger::External
                                                               : PeriodicExecutionContext::Trigger::Timer);
    // An unusable rate would leave the context spinning at its initial 1 MHz: use the default.
    const std::string rateText = properties.getProperty("exec_cxt.periodic.rate");
    char* end = nullptr;
    double rate = std::strtod(rateText.c_str(), &end);
    if (rateText.empty() || end == nullptr || *end != '\0' || !(rate > 0) || ec->set_rate(rate) != RTC::RTC_OK)
    {
      RTM_LOG_WARN("component", "unusable execution rate '" << rateText << "'; using " << kDefaultRate << " Hz");
      std::ostringstream message;
      message << "exec_cxt.periodic.rate '" << rateText << "' is not a usable rate in Hz; using " << kDefaultRate
              << " Hz";
      warn(message.str());
      ec->set_rate(kDefaultRate);
    }
    ec->bindOwner(std::make_unique<ServantCallbacks>(&m_self), self.in());
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_ownedServants.push_back(ec);
      m_owned.push_back(ec->getObjRef());
    }

    const RTC::ReturnCode_t ret = m_self.on_initialize();
    if (ret != RTC::RTC_OK)
    {
      destroyOwnedContexts();
      return ret;
    }
    m_created = false;
    m_observers.setName(properties.getProperty("instance_name"));
    ec->start();
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t ComponentCore::exit()
  {
    if (m_created)
      return RTC::PRECONDITION_NOT_MET;
    if (m_exiting)
      return RTC::RTC_OK;

    RTC::LightweightRTObject_var self = RTC::LightweightRTObject::_duplicate(objref());
    std::vector<RTC::ExecutionContextService_var> owned;
    std::vector<RTC::ExecutionContextService_var> participating;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      owned = m_owned;
      participating = m_participating;
    }
    for (auto& ec : owned)
    {
      ec->deactivate_component(self.in());
      if (ec->is_running())
        ec->stop();
    }
    // Foreign contexts drive other components too: leave them running, only leave them.
    for (auto& ec : participating)
    {
      if (CORBA::is_nil(ec))
        continue;
      try
      {
        if (ec->_non_existent())
          continue;
        ec->deactivate_component(self.in());
        ec->remove_component(self.in());
      }
      catch (...)
      {
        RTM_LOG_WARN("component", "a participating execution context did not answer on exit");
      }
    }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      // remove_component detaches through our detach_context; a context that could not be
      // reached keeps its slot, and is dropped here so that finalize can proceed.
      m_participating.clear();
    }
    m_exiting = true;
    return finalize();
  }

  RTC::ReturnCode_t ComponentCore::finalize()
  {
    if (m_created || !m_exiting)
      return RTC::PRECONDITION_NOT_MET;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      for (auto& ec : m_participating)
        if (!CORBA::is_nil(ec))
          return RTC::PRECONDITION_NOT_MET;
    }
    const RTC::ReturnCode_t ret = m_self.on_finalize();
    report(ComponentEvent::Finalized, 0);
    shutdownComponent();
    return ret;
  }

  void ComponentCore::shutdownComponent()
  {
    std::vector<RTC::PortBase*> ports;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      ports = m_ports;
    }
    for (RTC::PortBase* port : ports)
    {
      try
      {
        port->disconnect_all();
      }
      catch (...)
      {}
      port->deactivatePort();
    }
    destroyOwnedContexts();
    if (m_configuration != nullptr)
      m_configuration->deactivate();
    // What the observers have yet to hear (the finalization, the ports' disconnections) goes out
    // before the component does.
    m_observers.close();
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      deactivateObject(poa.in(), m_objref.in());
    }
    if (manager != nullptr)
      manager->notifyFinalized(&m_self);
  }

  void ComponentCore::discard()
  {
    std::vector<RTC::PortBase*> ports;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      ports = m_ports;
    }
    for (RTC::PortBase* port : ports)
      port->deactivatePort();
    destroyOwnedContexts();
    m_observers.close();
    std::lock_guard<std::mutex> lock(m_mutex);
    deactivateObject(poa.in(), m_objref.in());
  }

  void ComponentCore::destroyOwnedContexts()
  {
    std::vector<PeriodicExecutionContext*> servants;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      servants = m_ownedServants;
    }
    // Stops the thread and leaves the POA; the servants are freed with the component, once
    // no call is left running in them.
    for (PeriodicExecutionContext* ec : servants)
      ec->destroy();
  }

  bool ComponentCore::servantsGone()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!released(m_self))
      return false;
    for (RTC::PortBase* port : m_ports)
      if (!released(*port))
        return false;
    for (PeriodicExecutionContext* ec : m_ownedServants)
      if (!released(*ec))
        return false;
    return m_configuration == nullptr || released(*m_configuration);
  }

  RTC::ExecutionContext_ptr ComponentCore::context(RTC::ExecutionContextHandle_t handle)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (handle >= 0 && handle < 1000 && static_cast<size_t>(handle) < m_owned.size())
      return RTC::ExecutionContext::_duplicate(m_owned[handle].in());
    const long index = static_cast<long>(handle) - 1000;
    if (index >= 0 && static_cast<size_t>(index) < m_participating.size())
      return RTC::ExecutionContext::_duplicate(m_participating[index].in());
    return RTC::ExecutionContext::_nil();
  }

  RTC::ExecutionContextHandle_t ComponentCore::handleOf(RTC::ExecutionContext_ptr ec)
  {
    if (CORBA::is_nil(ec))
      return -1;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (size_t i = 0; i < m_owned.size(); ++i)
      if (m_owned[i]->_is_equivalent(ec))
        return static_cast<RTC::ExecutionContextHandle_t>(i);
    for (size_t i = 0; i < m_participating.size(); ++i)
      if (!CORBA::is_nil(m_participating[i]) && m_participating[i]->_is_equivalent(ec))
        return static_cast<RTC::ExecutionContextHandle_t>(1000 + i);
    return -1;
  }

  bool ComponentCore::isAlive(RTC::ExecutionContext_ptr ec) { return handleOf(ec) >= 0; }

  namespace
  {
    RTC::ExecutionContextList* toList(const std::vector<RTC::ExecutionContextService_var>& ecs)
    {
      auto* list = new RTC::ExecutionContextList;
      list->length(static_cast<CORBA::ULong>(ecs.size()));
      for (size_t i = 0; i < ecs.size(); ++i)
        (*list)[static_cast<CORBA::ULong>(i)] = RTC::ExecutionContext::_duplicate(ecs[i].in());
      return list;
    }
  }

  RTC::ExecutionContextList* ComponentCore::ownedContexts()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return toList(m_owned);
  }

  RTC::ExecutionContextList* ComponentCore::participatingContexts()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return toList(m_participating);
  }

  RTC::ExecutionContextHandle_t ComponentCore::attach(RTC::ExecutionContext_ptr ec)
  {
    RTC::ExecutionContextService_var service;
    try
    {
      service = RTC::ExecutionContextService::_narrow(ec);
    }
    catch (...)
    {}
    if (CORBA::is_nil(service))
      return -1;
    const RTC::ExecutionContextHandle_t handle = storeParticipant(service);
    report(ComponentEvent::ContextAttached, handle);
    return handle;
  }

  RTC::ExecutionContextHandle_t ComponentCore::storeParticipant(RTC::ExecutionContextService_ptr service)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (size_t i = 0; i < m_participating.size(); ++i)
    {
      if (CORBA::is_nil(m_participating[i]))
      {
        m_participating[i] = RTC::ExecutionContextService::_duplicate(service);
        return static_cast<RTC::ExecutionContextHandle_t>(1000 + i);
      }
    }
    m_participating.push_back(RTC::ExecutionContextService::_duplicate(service));
    return static_cast<RTC::ExecutionContextHandle_t>(1000 + m_participating.size() - 1);
  }

  RTC::ReturnCode_t ComponentCore::detach(RTC::ExecutionContextHandle_t handle)
  {
    const long index = static_cast<long>(handle) - 1000;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (handle < 1000 || static_cast<size_t>(index) >= m_participating.size() ||
          CORBA::is_nil(m_participating[index]))
        return RTC::BAD_PARAMETER;
      m_participating[index] = RTC::ExecutionContextService::_nil();
    }
    report(ComponentEvent::ContextDetached, handle);
    return RTC::RTC_OK;
  }

  // As the port's profile names it, and as tools match it.
  std::string ComponentCore::profileNameOf(const RTC::PortBase& port) const
  {
    return properties.getProperty("instance_name") + "." + port.getName();
  }

  bool ComponentCore::addPort(RTC::PortBase& port)
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      for (RTC::PortBase* existing : m_ports)
        if (existing == &port || std::string(existing->getName()) == port.getName())
          return false;
    }
    objref();  // the port names its owner in its profile
    port.setOwner(&m_self);
    port.setEventListener(&m_observers);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_ports.push_back(&port);
    }
    report(ComponentEvent::PortAdded, 0, profileNameOf(port));
    return true;
  }

  bool ComponentCore::removePort(RTC::PortBase& port)
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto it = std::find(m_ports.begin(), m_ports.end(), &port);
      if (it == m_ports.end())
        return false;
      m_ports.erase(it);
    }
    port.disconnect_all();
    port.deactivatePort();
    port.setEventListener(nullptr);
    report(ComponentEvent::PortRemoved, 0, profileNameOf(port));
    return true;
  }

  RTC::PortServiceList* ComponentCore::portRefs()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto* list = new RTC::PortServiceList;
    list->length(static_cast<CORBA::ULong>(m_ports.size()));
    for (size_t i = 0; i < m_ports.size(); ++i)
      (*list)[static_cast<CORBA::ULong>(i)] = RTC::PortService::_duplicate(m_ports[i]->getPortRef());
    return list;
  }

  void ComponentCore::appendPortProfiles(RTC::PortProfileList& out)
  {
    std::vector<RTC::PortBase*> ports;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      ports = m_ports;
    }
    // Each profile read sweeps dead peers, which calls out: done without the lock.
    out.length(static_cast<CORBA::ULong>(ports.size()));
    for (size_t i = 0; i < ports.size(); ++i)
    {
      RTC::PortProfile_var profile = ports[i]->get_port_profile();
      out[static_cast<CORBA::ULong>(i)] = profile.in();
    }
  }

  void ComponentCore::activatePorts()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (RTC::PortBase* port : m_ports)
      port->activateInterfaces();
  }

  void ComponentCore::deactivatePorts()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (RTC::PortBase* port : m_ports)
      port->deactivateInterfaces();
  }

  SDOPackage::Configuration_ptr ComponentCore::configuration()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_configuration == nullptr)
      m_configuration = new SdoConfiguration(poa.in(), properties, m_self.m_configsets, m_observers);
    return m_configuration->getObjRef();
  }

  void ComponentCore::report(ComponentEvent::Kind kind, RTC::ExecutionContextHandle_t context, const std::string& name)
  {
    m_observers.onComponentEvent(ComponentEvent{kind, context, name});
  }
}
