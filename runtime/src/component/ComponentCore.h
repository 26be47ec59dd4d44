// The state behind RTC::RTObject_impl, kept out of the public header so that the header stays
// small and C++11-clean for components.
#pragma once

#include "sdo/ComponentObservers.h"

#include <rtm/RTObject.h>

#include <mutex>
#include <vector>

namespace rtm
{
  class PeriodicExecutionContext;
  class SdoConfiguration;

  class ComponentCore
  {
  public:
    ComponentCore(RTC::RTObject_impl& self, RTC::Manager* manager, CORBA::ORB_ptr orb, PortableServer::POA_ptr poa);
    ~ComponentCore();

    // The component's object reference, activating the servant on first use.
    RTC::RTObject_ptr objref();

    RTC::ReturnCode_t initialize();
    RTC::ReturnCode_t finalize();
    RTC::ReturnCode_t exit();

    // Execution contexts, by handle: below 1000 the owned ones, from 1000 on the participating ones.
    RTC::ExecutionContext_ptr context(RTC::ExecutionContextHandle_t handle);
    RTC::ExecutionContextHandle_t handleOf(RTC::ExecutionContext_ptr ec);
    RTC::ExecutionContextList* ownedContexts();
    RTC::ExecutionContextList* participatingContexts();
    RTC::ExecutionContextHandle_t attach(RTC::ExecutionContext_ptr ec);
    RTC::ReturnCode_t detach(RTC::ExecutionContextHandle_t handle);
    bool isAlive(RTC::ExecutionContext_ptr ec);

    bool addPort(RTC::PortBase& port);
    bool removePort(RTC::PortBase& port);
    RTC::PortServiceList* portRefs();
    void appendPortProfiles(RTC::PortProfileList& out);
    void activatePorts();
    void deactivatePorts();

    SDOPackage::Configuration_ptr configuration();
    // The observers attached through the configuration object.
    ComponentObservers& observers() { return m_observers; }
    // Where the component object, its ports and its configuration report what changes.
    void report(ComponentEvent::Kind kind, RTC::ExecutionContextHandle_t context, const std::string& name = "");

    // True once the servants of the component, its ports and its contexts have left the POA,
    // so that the component can be deleted without a call still running in it.
    bool servantsGone();
    // A component whose creation failed: its servants leave the POA without any handler called.
    void discard();

    RTC::Manager* manager;
    CORBA::ORB_var orb;
    PortableServer::POA_var poa;
    coil::Properties properties;

  private:
    RTC::ExecutionContextHandle_t storeParticipant(RTC::ExecutionContextService_ptr service);
    std::string profileNameOf(const RTC::PortBase& port) const;
    void shutdownComponent();
    void destroyOwnedContexts();

    RTC::RTObject_impl& m_self;
    std::mutex m_mutex;
    RTC::RTObject_var m_objref;
    bool m_created = true;
    bool m_exiting = false;
    std::vector<PeriodicExecutionContext*> m_ownedServants;
    std::vector<RTC::ExecutionContextService_var> m_owned;
    std::vector<RTC::ExecutionContextService_var> m_participating;
    std::vector<RTC::PortBase*> m_ports;
    SdoConfiguration* m_configuration = nullptr;
    ComponentObservers m_observers{"component"};
  };
}
