// A service port: it offers the CORBA objects of the component's own providers to the ports it
// connects with, and hands its consumers the references those ports offer. The connector profile
// carries the references both ways as stringified IORs.
//
// A provider's servant stays active in the component's POA from the time the port is added to
// the component until the component is finalized, whatever the component's state: a consumer
// connected to it can call it at any time, and a call never fails because of a state change.
#ifndef RTM_CORBAPORT_H
#define RTM_CORBAPORT_H

#include <rtm/CorbaConsumer.h>
#include <rtm/PortBase.h>
#include <coil/Properties.h>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace RTC
{
  class CorbaPort : public PortBase
  {
  public:
    explicit CorbaPort(const char* name);
    virtual ~CorbaPort();

    // Reads connection_limit (-1: none), connection.strictness ("strict": a connection that
    // leaves a consumer without a provider is refused) and call_timeout (seconds a consumer's
    // call may take). RTObject_impl::addPort(CorbaPort&) passes the component's port.corbaport
    // options merged over port.corba.
    void init(coil::Properties& prop);

    // False if a provider or a consumer of that instance name is already registered. The caller
    // owns the servant and keeps it alive until the component is finalized.
    bool registerProvider(const char* instance_name, const char* type_name,
                          PortableServer::RefCountServantBase& provider);
    bool registerConsumer(const char* instance_name, const char* type_name, CorbaConsumerBase& consumer);

    // RTC::PortService: the profile lists the registered interfaces.
    virtual PortProfile* get_port_profile();

    virtual void setOwner(RTObject_impl* owner);
    virtual void deactivatePort();

  protected:
    virtual ReturnCode_t publishInterfaces(ConnectorProfile& connector_profile);
    virtual ReturnCode_t subscribeInterfaces(const ConnectorProfile& connector_profile);
    virtual void removeConnector(const std::string& connector_id);

  private:
    struct Provider
    {
      std::string instanceName;
      std::string typeName;
      PortableServer::ServantBase* servant;
      PortableServer::ObjectId_var oid;
      bool activatedHere;  // false when the servant was already active in the POA
      std::string ior;  // empty while not active
    };
    struct Consumer
    {
      std::string instanceName;
      std::string typeName;
      CorbaConsumerBase* consumer;
      std::string ior;  // what the consumer holds now; empty when unset
    };
    // What a connection set, so that its removal releases only what is still its own.
    struct Subscription
    {
      size_t consumer;
      std::string ior;
    };

    CorbaPort(const CorbaPort&);
    CorbaPort& operator=(const CorbaPort&);
    bool activateProvider(Provider& provider);
    bool isRegistered(const std::string& instanceName, PortInterfacePolarity polarity) const;
    std::string ownerInstanceName() const;

    mutable std::mutex m_servicesMutex;  // guards everything below
    std::vector<Provider> m_providers;
    std::vector<Consumer> m_consumers;
    std::map<std::string, std::vector<Subscription>> m_subscriptions;  // by connector id
    coil::Properties m_options;
    PortInterfaceProfileList m_interfaces;
  };
}

#endif
