// RTC::RTObject_impl: the CORBA face of a component. Each operation delegates to ComponentCore
// or to the component's own handlers; nothing thrown by a handler reaches the caller.
#include <rtm/RTObject.h>

#include "component/ComponentCore.h"
#include "component/ComponentListeners.h"
#include "log/ProcessLogBuffer.h"
#include "component/DataPortSweep.h"
#include "log/Logger.h"
#include "sdo/NVUtil.h"

#include <rtm/InPortBase.h>
#include <rtm/Manager.h>
#include <rtm/OutPortBase.h>

#include <exception>
#include <memory>

namespace RTC
{
  namespace
  {
    // A handler that throws counts as a handler that failed.
    template <class Handler>
    ReturnCode_t guarded(const char* name, Handler handler)
    {
      try
      {
        return handler();
      }
      catch (const std::exception& e)
      {
        RTM_LOG_ERROR("component", name << " threw: " << e.what());
      }
      catch (...)
      {
        RTM_LOG_ERROR("component", name << " threw");
      }
      return RTC_ERROR;
    }

    // The component logger's level: logger.log_level by the middleware's exact names, lowered to
    // what the process log writes at all, so that with logging off the macros format nothing.
    int componentLoggerLevel(const std::string& configured)
    {
      int level = Logger::strToLevel(configured.c_str());
      while (level > Logger::RTL_SILENT && !rtm::logger().enabled(static_cast<rtm::LogLevel>(level)))
        --level;
      return level;
    }

    // Runs a lifecycle handler between its pre- and post-action listeners.
    template <class Handler>
    ReturnCode_t withActionListeners(rtm::ComponentListeners& listeners, int action, UniqueId ec_id, Handler handler)
    {
      listeners.pre(static_cast<PreComponentActionListenerType>(action), ec_id);
      const ReturnCode_t ret = handler();
      listeners.post(static_cast<PostComponentActionListenerType>(action), ec_id, ret);
      return ret;
    }
  }

  RTObject_impl::RTObject_impl(Manager* manager)
    : rtclog(&manager->getLogStreamBuf()), m_listeners(new rtm::ComponentListeners),
      m_core(new rtm::ComponentCore(*this, manager, manager->getORB(), manager->getPOA())),
      m_dataPorts(new rtm::DataPortSweep()), m_configsets(m_core->properties.getNode("conf"))
  {
    rtclog.setLevel(componentLoggerLevel(manager->getLogLevel()));
  }

  RTObject_impl::RTObject_impl(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa)
    : rtclog(&rtm::processLogBuffer()), m_listeners(new rtm::ComponentListeners),
      m_core(new rtm::ComponentCore(*this, nullptr, orb, poa)), m_dataPorts(new rtm::DataPortSweep()),
      m_configsets(m_core->properties.getNode("conf"))
  {
    rtclog.setLevel(componentLoggerLevel("PARANOID"));
  }

  // The core goes first: its teardown may still fire listeners.
  RTObject_impl::~RTObject_impl()
  {
    delete m_core;
    delete m_listeners;
  }

  // The defaults: a component that overrides nothing does nothing, successfully.
  ReturnCode_t RTObject_impl::onInitialize() { return RTC_OK; }
  ReturnCode_t RTObject_impl::onFinalize() { return RTC_OK; }
  ReturnCode_t RTObject_impl::onStartup(UniqueId) { return RTC_OK; }
  ReturnCode_t RTObject_impl::onShutdown(UniqueId) { return RTC_OK; }
  ReturnCode_t RTObject_impl::onActivated(UniqueId) { return RTC_OK; }
  ReturnCode_t RTObject_impl::onDeactivated(UniqueId) { return RTC_OK; }
  ReturnCode_t RTObject_impl::onExecute(UniqueId) { return RTC_OK; }
  ReturnCode_t RTObject_impl::onAborting(UniqueId) { return RTC_OK; }
  ReturnCode_t RTObject_impl::onError(UniqueId) { return RTC_OK; }
  ReturnCode_t RTObject_impl::onReset(UniqueId) { return RTC_OK; }
  ReturnCode_t RTObject_impl::onStateUpdate(UniqueId) { return RTC_OK; }
  ReturnCode_t RTObject_impl::onRateChanged(UniqueId) { return RTC_OK; }

  // --- LightweightRTObject -------------------------------------------------------------------
  ReturnCode_t RTObject_impl::initialize() { return m_core->initialize(); }
  ReturnCode_t RTObject_impl::finalize() { return m_core->finalize(); }
  ReturnCode_t RTObject_impl::exit() { return m_core->exit(); }

  CORBA::Boolean RTObject_impl::is_alive(ExecutionContext_ptr exec_context) { return m_core->isAlive(exec_context); }

  ExecutionContext_ptr RTObject_impl::get_context(ExecutionContextHandle_t exec_handle)
  {
    return m_core->context(exec_handle);
  }

  ExecutionContextList* RTObject_impl::get_owned_contexts() { return m_core->ownedContexts(); }

  ExecutionContextList* RTObject_impl::get_participating_contexts() { return m_core->participatingContexts(); }

  ExecutionContextHandle_t RTObject_impl::get_context_handle(ExecutionContext_ptr cxt) { return m_core->handleOf(cxt); }

  ExecutionContextHandle_t RTObject_impl::attach_context(ExecutionContext_ptr exec_context)
  {
    const ExecutionContextHandle_t handle = m_core->attach(exec_context);
    if (handle >= 0)
      m_listeners->context(EC_ATTACHED, handle);
    return handle;
  }

  ReturnCode_t RTObject_impl::detach_context(ExecutionContextHandle_t exec_handle)
  {
    const ReturnCode_t ret = m_core->detach(exec_handle);
    if (ret == RTC_OK)
      m_listeners->context(EC_DETACHED, exec_handle);
    return ret;
  }

  // --- RTObject -----------------------------------------------------------------------------
  ComponentProfile* RTObject_impl::get_component_profile()
  {
    ComponentProfile_var profile = new ComponentProfile;
    const coil::Properties& p = m_core->properties;
    profile->instance_name = CORBA::string_dup(p.getProperty("instance_name").c_str());
    profile->type_name = CORBA::string_dup(p.getProperty("type_name").c_str());
    profile->description = CORBA::string_dup(p.getProperty("description").c_str());
    profile->version = CORBA::string_dup(p.getProperty("version").c_str());
    profile->vendor = CORBA::string_dup(p.getProperty("vendor").c_str());
    profile->category = CORBA::string_dup(p.getProperty("category").c_str());
    m_core->appendPortProfiles(profile->port_profiles);
    profile->parent = ::RTC::RTObject::_nil();
    rtm::appendProperties(profile->properties, p);
    return profile._retn();
  }

  PortServiceList* RTObject_impl::get_ports() { return m_core->portRefs(); }

  // --- ComponentAction and DataFlowComponentAction: the execution contexts' entry points ----
  ReturnCode_t RTObject_impl::on_initialize()
  {
    return withActionListeners(*m_listeners, PRE_ON_INITIALIZE, 0, [this] {
      const ReturnCode_t ret = guarded("onInitialize", [this] { return onInitialize(); });
      // The set the component's settings name applies first, "default" if they name none it has.
      const std::string initial = m_core->properties.getProperty("configuration.active_config", "default");
      m_configsets.update(m_configsets.haveConfig(initial.c_str()) ? initial.c_str() : "default");
      return ret;
    });
  }

  ReturnCode_t RTObject_impl::on_finalize()
  {
    return withActionListeners(*m_listeners, PRE_ON_FINALIZE, 0,
                               [this] { return guarded("onFinalize", [this] { return onFinalize(); }); });
  }

  // Each execution context, ours or a foreign one, drives the component through these entry
  // points: here is where the component learns, and reports, what happened to it in which context.
  ReturnCode_t RTObject_impl::on_startup(ExecutionContextHandle_t h)
  {
    return withActionListeners(*m_listeners, PRE_ON_STARTUP, h, [this, h] {
      const ReturnCode_t ret = guarded("onStartup", [this, h] { return onStartup(h); });
      m_core->report(rtm::ComponentEvent::ContextStarted, h);
      return ret;
    });
  }

  ReturnCode_t RTObject_impl::on_shutdown(ExecutionContextHandle_t h)
  {
    return withActionListeners(*m_listeners, PRE_ON_SHUTDOWN, h, [this, h] {
      const ReturnCode_t ret = guarded("onShutdown", [this, h] { return onShutdown(h); });
      m_core->report(rtm::ComponentEvent::ContextStopped, h);
      return ret;
    });
  }

  // Connectors start after the component's own activation and stop before its deactivation,
  // so that a periodic publisher never sends for a component that is not active.
  ReturnCode_t RTObject_impl::on_activated(ExecutionContextHandle_t h)
  {
    return withActionListeners(*m_listeners, PRE_ON_ACTIVATED, h, [this, h] {
      m_configsets.update();
      const ReturnCode_t ret = guarded("onActivated", [this, h] { return onActivated(h); });
      m_core->activatePorts();
      // A failed activation is an error on its way, not an active component.
      if (ret == RTC_OK)
        m_core->report(rtm::ComponentEvent::Activated, h);
      return ret;
    });
  }

  ReturnCode_t RTObject_impl::on_deactivated(ExecutionContextHandle_t h)
  {
    return withActionListeners(*m_listeners, PRE_ON_DEACTIVATED, h, [this, h] {
      m_core->deactivatePorts();
      const ReturnCode_t ret = guarded("onDeactivated", [this, h] { return onDeactivated(h); });
      m_core->report(rtm::ComponentEvent::Deactivated, h);
      return ret;
    });
  }

  ReturnCode_t RTObject_impl::on_aborting(ExecutionContextHandle_t h)
  {
    return withActionListeners(*m_listeners, PRE_ON_ABORTING, h, [this, h] {
      const ReturnCode_t ret = guarded("onAborting", [this, h] { return onAborting(h); });
      m_core->report(rtm::ComponentEvent::ErrorEntered, h);
      return ret;
    });
  }

  ReturnCode_t RTObject_impl::on_error(ExecutionContextHandle_t h)
  {
    return withActionListeners(*m_listeners, PRE_ON_ERROR, h, [this, h] {
      const ReturnCode_t ret = guarded("onError", [this, h] { return onError(h); });
      m_configsets.update();
      return ret;
    });
  }

  ReturnCode_t RTObject_impl::on_reset(ExecutionContextHandle_t h)
  {
    return withActionListeners(*m_listeners, PRE_ON_RESET, h, [this, h] {
      const ReturnCode_t ret = guarded("onReset", [this, h] { return onReset(h); });
      // A failed reset leaves the component in ERROR.
      if (ret == RTC_OK)
        m_core->report(rtm::ComponentEvent::Reset, h);
      return ret;
    });
  }

  ReturnCode_t RTObject_impl::on_execute(ExecutionContextHandle_t h)
  {
    return withActionListeners(*m_listeners, PRE_ON_EXECUTE, h, [this, h] {
      if (m_dataPorts->readsAround())
        readAll();
      const ReturnCode_t ret = guarded("onExecute", [this, h] { return onExecute(h); });
      if (m_dataPorts->writesAround())
        writeAll();
      return ret;
    });
  }

  ReturnCode_t RTObject_impl::on_state_update(ExecutionContextHandle_t h)
  {
    return withActionListeners(*m_listeners, PRE_ON_STATE_UPDATE, h, [this, h] {
      const ReturnCode_t ret = guarded("onStateUpdate", [this, h] { return onStateUpdate(h); });
      m_configsets.update();
      return ret;
    });
  }

  ReturnCode_t RTObject_impl::on_rate_changed(ExecutionContextHandle_t h)
  {
    return withActionListeners(*m_listeners, PRE_ON_RATE_CHANGED, h, [this, h] {
      const ReturnCode_t ret = guarded("onRateChanged", [this, h] { return onRateChanged(h); });
      m_core->report(rtm::ComponentEvent::RateChanged, h);
      return ret;
    });
  }

  // --- SDO ----------------------------------------------------------------------------------
  SDOPackage::OrganizationList* RTObject_impl::get_owned_organizations() { return new SDOPackage::OrganizationList; }

  char* RTObject_impl::get_sdo_id()
  {
    return CORBA::string_dup(m_core->properties.getProperty("instance_name").c_str());
  }

  // Tools of this middleware expect the description here.
  char* RTObject_impl::get_sdo_type()
  {
    return CORBA::string_dup(m_core->properties.getProperty("description").c_str());
  }

  SDOPackage::DeviceProfile* RTObject_impl::get_device_profile()
  {
    auto* profile = new SDOPackage::DeviceProfile;
    profile->device_type = CORBA::string_dup("");
    profile->manufacturer = CORBA::string_dup("");
    profile->model = CORBA::string_dup("");
    profile->version = CORBA::string_dup("");
    return profile;
  }

  // The service profiles are those of the attached observers.
  SDOPackage::ServiceProfileList* RTObject_impl::get_service_profiles() { return m_core->observers().profiles(); }

  // Peers of this middleware see InternalError for an unknown id, so that is what they get.
  SDOPackage::ServiceProfile* RTObject_impl::get_service_profile(const char* id)
  {
    SDOPackage::ServiceProfile* profile = m_core->observers().profile(id != nullptr ? id : "");
    if (profile == nullptr)
      throw SDOPackage::InternalError("no such service profile");
    return profile;
  }

  SDOPackage::SDOService_ptr RTObject_impl::get_sdo_service(const char* id)
  {
    const std::unique_ptr<SDOPackage::ServiceProfile> profile(m_core->observers().profile(id != nullptr ? id : ""));
    if (!profile)
      throw SDOPackage::InternalError("no such SDO service");
    return SDOPackage::SDOService::_duplicate(profile->service.in());
  }

  SDOPackage::Configuration_ptr RTObject_impl::get_configuration() { return m_core->configuration(); }

  SDOPackage::Monitoring_ptr RTObject_impl::get_monitoring()
  {
    throw SDOPackage::InterfaceNotImplemented("monitoring is not available");
  }

  SDOPackage::OrganizationList* RTObject_impl::get_organizations() { return new SDOPackage::OrganizationList; }

  SDOPackage::NVList* RTObject_impl::get_status_list() { return new SDOPackage::NVList; }

  CORBA::Any* RTObject_impl::get_status(const char*) { throw SDOPackage::InvalidParameter("no such status"); }

  // --- Local API ----------------------------------------------------------------------------
  const char* RTObject_impl::getInstanceName() { return m_core->properties.getProperty("instance_name").c_str(); }

  void RTObject_impl::setInstanceName(const char* instance_name)
  {
    const std::string before = m_core->properties.getProperty("instance_name");
    m_core->properties.setProperty("instance_name", instance_name);
    if (before != m_core->properties.getProperty("instance_name"))
    {
      m_core->report(rtm::ComponentEvent::ProfileChanged, 0, "instance_name");
      rtclog.setName(getInstanceName());
      m_listeners->setOwnerName(getInstanceName());
    }
  }

  const char* RTObject_impl::getTypeName() { return m_core->properties.getProperty("type_name").c_str(); }
  const char* RTObject_impl::getDescription() { return m_core->properties.getProperty("description").c_str(); }
  const char* RTObject_impl::getVersion() { return m_core->properties.getProperty("version").c_str(); }
  const char* RTObject_impl::getVendor() { return m_core->properties.getProperty("vendor").c_str(); }
  const char* RTObject_impl::getCategory() { return m_core->properties.getProperty("category").c_str(); }

  void RTObject_impl::setProperties(const coil::Properties& prop)
  {
    static const char* const kProfileFields[] = {"instance_name", "type_name", "description",
                                                 "version",       "vendor",    "category"};
    std::string before[6];
    for (int i = 0; i < 6; ++i)
      before[i] = m_core->properties.getProperty(kProfileFields[i]);
    m_core->properties << prop;
    std::string changed;
    for (int i = 0; i < 6; ++i)
      if (before[i] != m_core->properties.getProperty(kProfileFields[i]))
        changed += (changed.empty() ? "" : ",") + std::string(kProfileFields[i]);
    if (!changed.empty())
      m_core->report(rtm::ComponentEvent::ProfileChanged, 0, changed);
    if (before[0] != getInstanceName())
    {
      rtclog.setName(getInstanceName());
      m_listeners->setOwnerName(getInstanceName());
    }
  }
  coil::Properties& RTObject_impl::getProperties() { return m_core->properties; }

  RTObject_ptr RTObject_impl::getObjRef() const { return m_core->objref(); }

  bool RTObject_impl::addPort(PortBase& port)
  {
    if (!m_core->addPort(port))
      return false;
    port.setPortConnectListenerHolder(&m_portconnListeners);
    // Told after the port took its <instance>.<port> name.
    PortProfile_var profile = port.get_port_profile();
    m_listeners->port(ADD_PORT, profile.in());
    return true;
  }

  // Port options come from the component's properties: the defaults for every port of that
  // direction, overlaid by the port's own.
  bool RTObject_impl::addInPort(const char* name, InPortBase& inport)
  {
    coil::Properties options(m_core->properties.getNode("port.inport.dataport"));
    options << m_core->properties.getNode(std::string("port.inport.") + name);
    inport.init(options);
    if (!addPort(inport))
      return false;
    m_dataPorts->addIn(inport);
    return true;
  }

  bool RTObject_impl::addOutPort(const char* name, OutPortBase& outport)
  {
    coil::Properties options(m_core->properties.getNode("port.outport.dataport"));
    options << m_core->properties.getNode(std::string("port.outport.") + name);
    outport.init(options);
    if (!addPort(outport))
      return false;
    m_dataPorts->addOut(outport);
    return true;
  }

  bool RTObject_impl::removePort(PortBase& port)
  {
    PortProfile_var profile = port.get_port_profile();
    m_listeners->port(REMOVE_PORT, profile.in());
    m_dataPorts->remove(port);
    return m_core->removePort(port);
  }
  bool RTObject_impl::removeInPort(InPortBase& port) { return removePort(port); }
  bool RTObject_impl::removeOutPort(OutPortBase& port) { return removePort(port); }

  bool RTObject_impl::readAll() { return m_dataPorts->readAll(); }
  bool RTObject_impl::writeAll() { return m_dataPorts->writeAll(); }
  void RTObject_impl::setReadAll(bool read, bool completion) { m_dataPorts->setReadAll(read, completion); }
  void RTObject_impl::setWriteAll(bool write, bool completion) { m_dataPorts->setWriteAll(write, completion); }
  void RTObject_impl::registerInPort(const char* name, InPortBase& inport) { addInPort(name, inport); }
  void RTObject_impl::registerOutPort(const char* name, OutPortBase& outport) { addOutPort(name, outport); }
  void RTObject_impl::registerPort(PortBase& port) { addPort(port); }
  bool RTObject_impl::deletePort(PortBase& port) { return removePort(port); }
  bool RTObject_impl::deleteInPort(InPortBase& port) { return removeInPort(port); }
  bool RTObject_impl::deleteOutPort(OutPortBase& port) { return removeOutPort(port); }

  // ---------------------------------------------------------------- service ports -----------

  bool RTObject_impl::addPort(CorbaPort& port)
  {
    coil::Properties options(m_core->properties.getNode("port.corba"));
    options << m_core->properties.getNode("port.corbaport");
    port.init(options);
    return addPort(static_cast<PortBase&>(port));
  }

  void RTObject_impl::addPortConnectListener(PortConnectListenerType listener_type, PortConnectListener* listener,
                                             bool autoclean)
  {
    if (listener_type >= 0 && listener_type < PORT_CONNECT_LISTENER_NUM && listener != nullptr)
      m_portconnListeners.portconnect_[listener_type].addListener(listener, autoclean);
  }

  void RTObject_impl::removePortConnectListener(PortConnectListenerType listener_type, PortConnectListener* listener)
  {
    if (listener_type >= 0 && listener_type < PORT_CONNECT_LISTENER_NUM)
      m_portconnListeners.portconnect_[listener_type].removeListener(listener);
  }

  void RTObject_impl::addPortConnectRetListener(PortConnectRetListenerType listener_type,
                                                PortConnectRetListener* listener, bool autoclean)
  {
    if (listener_type >= 0 && listener_type < PORT_CONNECT_RET_LISTENER_NUM && listener != nullptr)
      m_portconnListeners.portconnret_[listener_type].addListener(listener, autoclean);
  }

  void RTObject_impl::removePortConnectRetListener(PortConnectRetListenerType listener_type,
                                                   PortConnectRetListener* listener)
  {
    if (listener_type >= 0 && listener_type < PORT_CONNECT_RET_LISTENER_NUM)
      m_portconnListeners.portconnret_[listener_type].removeListener(listener);
  }

  ExecutionContext_ptr RTObject_impl::getExecutionContext(UniqueId ec_id) { return m_core->context(ec_id); }

  double RTObject_impl::getExecutionRate(UniqueId ec_id)
  {
    ExecutionContext_var ec = m_core->context(ec_id);
    if (CORBA::is_nil(ec))
      return 0.0;
    try
    {
      return ec->get_rate();
    }
    catch (const CORBA::Exception&)
    {
      return 0.0;
    }
  }

  ReturnCode_t RTObject_impl::setExecutionRate(UniqueId ec_id, double rate)
  {
    ExecutionContext_var ec = m_core->context(ec_id);
    if (CORBA::is_nil(ec))
      return BAD_PARAMETER;
    try
    {
      return ec->set_rate(rate);
    }
    catch (const CORBA::Exception&)
    {
      return RTC_ERROR;
    }
  }

  CORBA::ORB_ptr RTObject_impl::getORB() const { return m_core->orb.in(); }
  PortableServer::POA_ptr RTObject_impl::getPOA() const { return m_core->poa.in(); }
  Manager* RTObject_impl::getManager() const { return m_core->manager; }
}

// --- Lifecycle listeners ----------------------------------------------------------------------
namespace RTC
{
  void RTObject_impl::addPreComponentActionListener(PreComponentActionListenerType listener_type,
                                                    PreComponentActionListener* listener, bool autoclean)
  {
    m_listeners->addPre(listener_type, listener, autoclean);
  }

  void RTObject_impl::removePreComponentActionListener(PreComponentActionListenerType listener_type,
                                                       PreComponentActionListener* listener)
  {
    m_listeners->removePre(listener_type, listener);
  }

  void RTObject_impl::addPostComponentActionListener(PostComponentActionListenerType listener_type,
                                                     PostComponentActionListener* listener, bool autoclean)
  {
    m_listeners->addPost(listener_type, listener, autoclean);
  }

  void RTObject_impl::removePostComponentActionListener(PostComponentActionListenerType listener_type,
                                                        PostComponentActionListener* listener)
  {
    m_listeners->removePost(listener_type, listener);
  }

  void RTObject_impl::addPortActionListener(PortActionListenerType listener_type, PortActionListener* listener,
                                            bool autoclean)
  {
    m_listeners->addPort(listener_type, listener, autoclean);
  }

  void RTObject_impl::removePortActionListener(PortActionListenerType listener_type, PortActionListener* listener)
  {
    m_listeners->removePort(listener_type, listener);
  }

  void RTObject_impl::addExecutionContextActionListener(ECActionListenerType listener_type, ECActionListener* listener,
                                                        bool autoclean)
  {
    m_listeners->addContext(listener_type, listener, autoclean);
  }

  void RTObject_impl::removeExecutionContextActionListener(ECActionListenerType listener_type,
                                                           ECActionListener* listener)
  {
    m_listeners->removeContext(listener_type, listener);
  }
}
