// The RT-component servant: the lifecycle handlers a component overrides, and the operations
// that peers and tools call on a component (profile, ports, execution contexts, SDO).
#ifndef RTM_RTOBJECT_H
#define RTM_RTOBJECT_H

#include <rtm/CorbaPort.h>
#include <rtm/PortConnectListener.h>
#include <rtm/RTC.h>
#include <rtm/CORBA_SeqUtil.h>
#include <rtm/ComponentActionListener.h>
#include <rtm/NVUtil.h>
#include <rtm/SystemLogger.h>
#include <rtm/detail/MemberListeners.h>
#include <rtm/ConfigAdmin.h>
#include <coil/Properties.h>
#include <memory>
#include <string>
#include <vector>

namespace rtm
{
  class ComponentCore;
  class ComponentTable;
  class ComponentListeners;
  class DataPortSweep;
}

namespace RTC
{
  class Manager;
  class PortBase;
  class InPortBase;
  class OutPortBase;

  class RTObject_impl : public virtual POA_OpenRTM::DataFlowComponent
  {
  public:
    explicit RTObject_impl(Manager* manager);
    RTObject_impl(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa);
    virtual ~RTObject_impl();

  protected:
    // The lifecycle handlers a component overrides; each default does nothing and returns RTC_OK.
    virtual ReturnCode_t onInitialize();
    virtual ReturnCode_t onFinalize();
    virtual ReturnCode_t onStartup(UniqueId exec_handle);
    virtual ReturnCode_t onShutdown(UniqueId exec_handle);
    virtual ReturnCode_t onActivated(UniqueId exec_handle);
    virtual ReturnCode_t onDeactivated(UniqueId exec_handle);
    virtual ReturnCode_t onExecute(UniqueId exec_handle);
    virtual ReturnCode_t onAborting(UniqueId exec_handle);
    virtual ReturnCode_t onError(UniqueId exec_handle);
    virtual ReturnCode_t onReset(UniqueId exec_handle);
    virtual ReturnCode_t onStateUpdate(UniqueId exec_handle);
    virtual ReturnCode_t onRateChanged(UniqueId exec_handle);

  public:
    // RTC::LightweightRTObject
    virtual ReturnCode_t initialize();
    virtual ReturnCode_t finalize();
    virtual ReturnCode_t exit();
    virtual CORBA::Boolean is_alive(ExecutionContext_ptr exec_context);
    virtual ExecutionContext_ptr get_context(ExecutionContextHandle_t exec_handle);
    virtual ExecutionContextList* get_owned_contexts();
    virtual ExecutionContextList* get_participating_contexts();
    virtual ExecutionContextHandle_t get_context_handle(ExecutionContext_ptr cxt);
    virtual ExecutionContextHandle_t attach_context(ExecutionContext_ptr exec_context);
    virtual ReturnCode_t detach_context(ExecutionContextHandle_t exec_handle);

    // RTC::RTObject
    virtual ComponentProfile* get_component_profile();
    virtual PortServiceList* get_ports();

    // RTC::ComponentAction
    virtual ReturnCode_t on_initialize();
    virtual ReturnCode_t on_finalize();
    virtual ReturnCode_t on_startup(ExecutionContextHandle_t exec_handle);
    virtual ReturnCode_t on_shutdown(ExecutionContextHandle_t exec_handle);
    virtual ReturnCode_t on_activated(ExecutionContextHandle_t exec_handle);
    virtual ReturnCode_t on_deactivated(ExecutionContextHandle_t exec_handle);
    virtual ReturnCode_t on_aborting(ExecutionContextHandle_t exec_handle);
    virtual ReturnCode_t on_error(ExecutionContextHandle_t exec_handle);
    virtual ReturnCode_t on_reset(ExecutionContextHandle_t exec_handle);

    // RTC::DataFlowComponentAction
    virtual ReturnCode_t on_execute(ExecutionContextHandle_t exec_handle);
    virtual ReturnCode_t on_state_update(ExecutionContextHandle_t exec_handle);
    virtual ReturnCode_t on_rate_changed(ExecutionContextHandle_t exec_handle);

    // SDOPackage::SDOSystemElement and SDOPackage::SDO
    virtual SDOPackage::OrganizationList* get_owned_organizations();
    virtual char* get_sdo_id();
    virtual char* get_sdo_type();
    virtual SDOPackage::DeviceProfile* get_device_profile();
    virtual SDOPackage::ServiceProfileList* get_service_profiles();
    virtual SDOPackage::ServiceProfile* get_service_profile(const char* id);
    virtual SDOPackage::SDOService_ptr get_sdo_service(const char* id);
    virtual SDOPackage::Configuration_ptr get_configuration();
    virtual SDOPackage::Monitoring_ptr get_monitoring();
    virtual SDOPackage::OrganizationList* get_organizations();
    virtual SDOPackage::NVList* get_status_list();
    virtual CORBA::Any* get_status(const char* name);

    // What components and the manager call in this process.
    const char* getInstanceName();
    void setInstanceName(const char* instance_name);
    const char* getTypeName();
    const char* getDescription();
    const char* getVersion();
    const char* getVendor();
    const char* getCategory();
    void setProperties(const coil::Properties& prop);
    coil::Properties& getProperties();
    RTObject_ptr getObjRef() const;

    bool addPort(PortBase& port);
    bool addInPort(const char* name, InPortBase& inport);
    bool addOutPort(const char* name, OutPortBase& outport);
    bool removePort(PortBase& port);
    bool removeInPort(InPortBase& port);
    bool removeOutPort(OutPortBase& port);

    // Data ports in bulk, and the middleware's older names of the calls above.
    // read()/write() on each data port in the order added; the first false ends it unless
    // completion was set. With setReadAll/setWriteAll the tick does them around onExecute.
    bool readAll();
    bool writeAll();
    void setReadAll(bool read = true, bool completion = false);
    void setWriteAll(bool write = true, bool completion = false);
    void registerInPort(const char* name, InPortBase& inport);
    void registerOutPort(const char* name, OutPortBase& outport);
    void registerPort(PortBase& port);
    bool deletePort(PortBase& port);
    bool deleteInPort(InPortBase& port);
    bool deleteOutPort(OutPortBase& port);

    ExecutionContext_ptr getExecutionContext(UniqueId ec_id);
    double getExecutionRate(UniqueId ec_id);
    ReturnCode_t setExecutionRate(UniqueId ec_id, double rate);

    CORBA::ORB_ptr getORB() const;
    PortableServer::POA_ptr getPOA() const;
    Manager* getManager() const;

    // Service ports, initialised from the component's port.corbaport options over port.corba;
    // and the listeners of every port's connection handshake (autoclean: deleted by remove* or
    // with the component).
    bool addPort(CorbaPort& port);
    void addPortConnectListener(PortConnectListenerType listener_type, PortConnectListener* listener,
                                bool autoclean = true);
    void removePortConnectListener(PortConnectListenerType listener_type, PortConnectListener* listener);
    void addPortConnectRetListener(PortConnectRetListenerType listener_type, PortConnectRetListener* listener,
                                   bool autoclean = true);
    void removePortConnectRetListener(PortConnectRetListenerType listener_type, PortConnectRetListener* listener);
    // A member function as a listener: the wrapper is returned, and deleted with the component.
    template <class Listener>
    PortConnectListener* addPortConnectListener(PortConnectListenerType listener_type, Listener& obj,
                                                void (Listener::*memfunc)(const char*, ConnectorProfile&))
    {
      PortConnectListener* listener = detail::newMemberListener<PortConnectListener>(obj, memfunc);
      addPortConnectListener(listener_type, listener, true);
      return listener;
    }
    template <class Listener>
    PortConnectRetListener* addPortConnectRetListener(PortConnectRetListenerType listener_type, Listener& obj,
                                                      void (Listener::*memfunc)(const char*, ConnectorProfile&,
                                                                                ReturnCode_t))
    {
      PortConnectRetListener* listener = detail::newMemberListener<PortConnectRetListener>(obj, memfunc);
      addPortConnectRetListener(listener_type, listener, true);
      return listener;
    }

  protected:
    PortConnectListeners m_portconnListeners;

  public:
    // --- Lifecycle listeners (ComponentActionListener.h) and the component's logger ----------
    // With autoclean the component deletes the listener on remove* or with itself. The overloads
    // taking an object and a member function make that listener, and return it for remove*.
    void addPreComponentActionListener(PreComponentActionListenerType listener_type,
                                       PreComponentActionListener* listener, bool autoclean = true);
    template <class Listener>
    PreComponentActionListener* addPreComponentActionListener(PreComponentActionListenerType listener_type,
                                                              Listener& obj, void (Listener::*memfunc)(UniqueId ec_id))
    {
      PreComponentActionListener* listener = detail::newMemberListener<PreComponentActionListener>(obj, memfunc);
      addPreComponentActionListener(listener_type, listener, true);
      return listener;
    }
    void removePreComponentActionListener(PreComponentActionListenerType listener_type,
                                          PreComponentActionListener* listener);

    void addPostComponentActionListener(PostComponentActionListenerType listener_type,
                                        PostComponentActionListener* listener, bool autoclean = true);
    template <class Listener>
    PostComponentActionListener*
    addPostComponentActionListener(PostComponentActionListenerType listener_type, Listener& obj,
                                   void (Listener::*memfunc)(UniqueId ec_id, ReturnCode_t ret))
    {
      PostComponentActionListener* listener = detail::newMemberListener<PostComponentActionListener>(obj, memfunc);
      addPostComponentActionListener(listener_type, listener, true);
      return listener;
    }
    void removePostComponentActionListener(PostComponentActionListenerType listener_type,
                                           PostComponentActionListener* listener);

    void addPortActionListener(PortActionListenerType listener_type, PortActionListener* listener,
                               bool autoclean = true);
    template <class Listener>
    PortActionListener* addPortActionListener(PortActionListenerType listener_type, Listener& obj,
                                              void (Listener::*memfunc)(const RTC::PortProfile&))
    {
      PortActionListener* listener = detail::newMemberListener<PortActionListener>(obj, memfunc);
      addPortActionListener(listener_type, listener, true);
      return listener;
    }
    void removePortActionListener(PortActionListenerType listener_type, PortActionListener* listener);

    void addExecutionContextActionListener(ECActionListenerType listener_type, ECActionListener* listener,
                                           bool autoclean = true);
    template <class Listener>
    ECActionListener* addExecutionContextActionListener(ECActionListenerType listener_type, Listener& obj,
                                                        void (Listener::*memfunc)(UniqueId))
    {
      ECActionListener* listener = detail::newMemberListener<ECActionListener>(obj, memfunc);
      addExecutionContextActionListener(listener_type, listener, true);
      return listener;
    }
    void removeExecutionContextActionListener(ECActionListenerType listener_type, ECActionListener* listener);

  protected:
    // What the RTC_* logging macros write to, named after the instance; its level is
    // logger.log_level as it was when the component was made.
    mutable Logger rtclog;

  private:
    rtm::ComponentListeners* m_listeners;

  public:
    // Configuration parameters: `var` takes the converted default at once, and later the values
    // of the active set at the component's update points (end of onInitialize, start of
    // onActivated, end of onStateUpdate and onError), always on the component's own thread.
    template <typename VarType>
    bool bindParameter(const char* param_name, VarType& var, const char* def_val,
                       bool (*trans)(VarType&, const char*) = coil::stringTo)
    {
      m_configsets.bindParameter(param_name, var, def_val, trans);
      return true;
    }
    // Applies the values of `config_set` now, whichever set is active.
    void updateParameters(const char* config_set) { m_configsets.update(config_set); }

    void addConfigurationParamListener(ConfigurationParamListenerType type, ConfigurationParamListener* listener,
                                       bool autoclean = true)
    {
      m_configsets.addConfigurationParamListener(type, listener, autoclean);
    }
    void removeConfigurationParamListener(ConfigurationParamListenerType type, ConfigurationParamListener* listener)
    {
      m_configsets.removeConfigurationParamListener(type, listener);
    }
    void addConfigurationSetListener(ConfigurationSetListenerType type, ConfigurationSetListener* listener,
                                     bool autoclean = true)
    {
      m_configsets.addConfigurationSetListener(type, listener, autoclean);
    }
    void removeConfigurationSetListener(ConfigurationSetListenerType type, ConfigurationSetListener* listener)
    {
      m_configsets.removeConfigurationSetListener(type, listener);
    }
    void addConfigurationSetNameListener(ConfigurationSetNameListenerType type, ConfigurationSetNameListener* listener,
                                         bool autoclean = true)
    {
      m_configsets.addConfigurationSetNameListener(type, listener, autoclean);
    }
    void removeConfigurationSetNameListener(ConfigurationSetNameListenerType type,
                                            ConfigurationSetNameListener* listener)
    {
      m_configsets.removeConfigurationSetNameListener(type, listener);
    }

    // The same, for a member function of `obj`; the wrapper returned is the component's.
    template <class Listener>
    ConfigurationParamListener* addConfigurationParamListener(ConfigurationParamListenerType type, Listener& obj,
                                                              void (Listener::*memfunc)(const char*, const char*))
    {
      ConfigurationParamListener* listener = detail::newMemberListener<ConfigurationParamListener>(obj, memfunc);
      addConfigurationParamListener(type, listener, true);
      return listener;
    }
    template <class Listener>
    ConfigurationSetListener* addConfigurationSetListener(ConfigurationSetListenerType type, Listener& obj,
                                                          void (Listener::*memfunc)(const coil::Properties&))
    {
      ConfigurationSetListener* listener = detail::newMemberListener<ConfigurationSetListener>(obj, memfunc);
      addConfigurationSetListener(type, listener, true);
      return listener;
    }
    template <class Listener>
    ConfigurationSetNameListener* addConfigurationSetNameListener(ConfigurationSetNameListenerType type, Listener& obj,
                                                                  void (Listener::*memfunc)(const char*))
    {
      ConfigurationSetNameListener* listener = detail::newMemberListener<ConfigurationSetNameListener>(obj, memfunc);
      addConfigurationSetNameListener(type, listener, true);
      return listener;
    }

  private:
    RTObject_impl(const RTObject_impl&);
    RTObject_impl& operator=(const RTObject_impl&);
    friend class rtm::ComponentCore;
    friend class rtm::ComponentTable;
    rtm::ComponentCore* m_core;
    std::unique_ptr<rtm::DataPortSweep> m_dataPorts;

  protected:
    // The configuration sets, which live in m_core's property tree: declared after it, so that
    // the tree is there when they are made.
    ConfigAdmin m_configsets;
  };
}

#endif
