#include <rtm/CorbaPort.h>
#include <rtm/RTObject.h>

#include "log/Logger.h"
#include "log/ServantBoundary.h"
#include "port/ConnectionRequest.h"
#include "port/ConnectorOptions.h"
#include "port/ConsumerBinding.h"
#include "sdo/NVUtil.h"
#include "transport/CallTimeout.h"

#include <cstdlib>

namespace RTC
{
  namespace
  {
    const char* const kServiceCallTimeoutOption = "call_timeout";

    bool strictnessSays(const std::string& value) { return rtm::lowerTrimmed(value) == "strict"; }
  }

  CorbaPort::CorbaPort(const char* name) : PortBase(name) { setProfileProperty("port.port_type", "CorbaPort"); }

  CorbaPort::~CorbaPort() = default;

  void CorbaPort::init(coil::Properties& prop)
  {
    const unsigned long timeoutMs = rtm::secondsOption(prop, kServiceCallTimeoutOption, rtm::kDefaultCallTimeoutMs);
    {
      std::lock_guard<std::mutex> lock(m_servicesMutex);
      m_options = prop;
    }
    setPeerCallTimeout(timeoutMs);
  }

  bool CorbaPort::registerProvider(const char* instance_name, const char* type_name,
                                   PortableServer::RefCountServantBase& provider)
  {
    if (instance_name == nullptr || type_name == nullptr)
      return false;
    std::lock_guard<std::mutex> lock(m_servicesMutex);
    if (isRegistered(instance_name, PROVIDED))
    {
      RTM_LOG_WARN("port", profileName() << ": provider '" << instance_name << "' is registered already");
      return false;
    }
    Provider entry;
    entry.instanceName = instance_name;
    entry.typeName = type_name;
    entry.servant = &provider;
    entry.activatedHere = false;
    // Added before the port has an owner: the servant is activated when the port is added.
    if (m_owner != nullptr && !activateProvider(entry))
      return false;
    m_providers.push_back(entry);
    const CORBA::ULong n = m_interfaces.length();
    m_interfaces.length(n + 1);
    m_interfaces[n].instance_name = CORBA::string_dup(instance_name);
    m_interfaces[n].type_name = CORBA::string_dup(type_name);
    m_interfaces[n].polarity = PROVIDED;
    return true;
  }

  bool CorbaPort::registerConsumer(const char* instance_name, const char* type_name, CorbaConsumerBase& consumer)
  {
    if (instance_name == nullptr || type_name == nullptr)
      return false;
    std::lock_guard<std::mutex> lock(m_servicesMutex);
    if (isRegistered(instance_name, REQUIRED))
    {
      RTM_LOG_WARN("port", profileName() << ": consumer '" << instance_name << "' is registered already");
      return false;
    }
    m_consumers.push_back(Consumer{instance_name, type_name, &consumer, std::string()});
    const CORBA::ULong n = m_interfaces.length();
    m_interfaces.length(n + 1);
    m_interfaces[n].instance_name = CORBA::string_dup(instance_name);
    m_interfaces[n].type_name = CORBA::string_dup(type_name);
    m_interfaces[n].polarity = REQUIRED;
    return true;
  }

  PortProfile* CorbaPort::get_port_profile()
  {
    PortProfile_var profile = PortBase::get_port_profile();
    std::lock_guard<std::mutex> lock(m_servicesMutex);
    profile->interfaces = m_interfaces;
    return profile._retn();
  }

  void CorbaPort::setOwner(RTObject_impl* owner)
  {
    PortBase::setOwner(owner);
    std::lock_guard<std::mutex> lock(m_servicesMutex);
    for (Provider& provider : m_providers)
      if (provider.ior.empty())
        activateProvider(provider);
  }

  void CorbaPort::deactivatePort()
  {
    PortBase::deactivatePort();
    std::lock_guard<std::mutex> lock(m_servicesMutex);
    PortableServer::POA_ptr poa = getPOA();
    for (Provider& provider : m_providers)
    {
      if (provider.activatedHere && !CORBA::is_nil(poa))
      {
        try
        {
          poa->deactivate_object(provider.oid.in());
        }
        catch (const CORBA::Exception&)
        {
          // Already gone with the POA: the end we want.
        }
      }
      provider.activatedHere = false;
      provider.ior.clear();
    }
  }

  // Called with m_servicesMutex held.
  bool CorbaPort::activateProvider(Provider& provider)
  {
    return rtm::guarded(
      "port", profileName() + ": activating provider '" + provider.instanceName + "'", [] { return false; },
      [&] {
        PortableServer::POA_ptr poa = getPOA();
        if (CORBA::is_nil(poa) || m_owner == nullptr)
          return false;
        try
        {
          provider.oid = poa->activate_object(provider.servant);
          provider.activatedHere = true;
        }
        catch (const PortableServer::POA::ServantAlreadyActive&)
        {
          // The component activated it itself: it stays the component's to deactivate.
          provider.oid = poa->servant_to_id(provider.servant);
          provider.activatedHere = false;
        }
        CORBA::Object_var obj = poa->id_to_reference(provider.oid.in());
        CORBA::String_var ior = m_owner->getORB()->object_to_string(obj.in());
        provider.ior = ior.in();
        return true;
      });
  }

  bool CorbaPort::isRegistered(const std::string& instanceName, PortInterfacePolarity polarity) const
  {
    for (CORBA::ULong i = 0; i < m_interfaces.length(); ++i)
      if (m_interfaces[i].polarity == polarity && instanceName == m_interfaces[i].instance_name.in())
        return true;
    return false;
  }

  std::string CorbaPort::ownerInstanceName() const
  {
    const std::string full = profileName();
    const std::string suffix = "." + m_name;
    if (full.size() > suffix.size() && full.compare(full.size() - suffix.size(), suffix.size(), suffix) == 0)
      return full.substr(0, full.size() - suffix.size());
    return full;
  }

  ReturnCode_t CorbaPort::publishInterfaces(ConnectorProfile& connector_profile)
  {
    std::lock_guard<std::mutex> lock(m_servicesMutex);
    const long limit = std::strtol(m_options.getProperty("connection_limit", "-1").c_str(), nullptr, 10);
    if (limit >= 0 && connectionCount() >= static_cast<size_t>(limit))
    {
      RTM_LOG_WARN("port", profileName() << ": connection refused: connection_limit " << limit << " reached");
      return RTC_ERROR;
    }
    const std::string prefix = ownerInstanceName() + ".port." + m_name + ".provided.";
    for (const Provider& provider : m_providers)
    {
      if (provider.ior.empty())
        continue;
      const std::string name = provider.typeName + "." + provider.instanceName;
      rtm::appendString(connector_profile.properties, prefix + name, provider.ior);
      rtm::appendString(connector_profile.properties, "port." + name, provider.ior);
    }
    return RTC_OK;
  }

  ReturnCode_t CorbaPort::subscribeInterfaces(const ConnectorProfile& connector_profile)
  {
    const std::string id = connector_profile.connector_id.in();
    const std::string instance = ownerInstanceName();
    std::vector<Consumer> consumers;
    bool strict = false;
    {
      std::lock_guard<std::mutex> lock(m_servicesMutex);
      consumers = m_consumers;
      strict = strictnessSays(m_options.getProperty("connection.strictness"));
    }
    std::string asked;
    if (rtm::findString(connector_profile.properties, "port.connection.strictness", asked))
      strict = strictnessSays(asked);

    // All decided before any consumer changes, so that a refused connection leaves none changed.
    std::vector<rtm::ConsumerBinding> bindings;
    for (const Consumer& consumer : consumers)
    {
      bindings.push_back(rtm::ConsumerBinding::find(connector_profile.properties, instance, m_name, consumer.typeName,
                                                    consumer.instanceName));
      const rtm::ConsumerBinding& binding = bindings.back();
      if (binding.outcome == rtm::ConsumerBinding::Outcome::Reference ||
          binding.outcome == rtm::ConsumerBinding::Outcome::Null)
        continue;
      RTM_LOG_WARN("port", profileName() << ": consumer '" << consumer.instanceName << "' of connection '" << id
                                         << "': " << binding.describe());
      if (strict && !binding.matched())
      {
        RTM_LOG_WARN("port", profileName()
                               << ": connection '" << id << "' refused: port.connection.strictness is strict");
        return RTC_ERROR;
      }
    }

    const unsigned long timeoutMs = peerCallTimeout();
    CORBA::ORB_ptr orb = m_owner != nullptr ? m_owner->getORB() : CORBA::ORB::_nil();
    std::vector<Subscription> made;
    for (size_t i = 0; i < consumers.size(); ++i)
    {
      if (bindings[i].outcome != rtm::ConsumerBinding::Outcome::Reference || CORBA::is_nil(orb))
        continue;
      const bool set = rtm::peerAnswered("port", profileName() + ": consumer '" + consumers[i].instanceName + "'", [&] {
        CORBA::Object_var obj = orb->string_to_object(bindings[i].ior.c_str());
        // Every call the consumer makes gives up after the port's timeout instead of waiting
        // for a provider that is gone without closing its connection.
        rtm::limitCallTime(obj.in(), timeoutMs);
        if (!consumers[i].consumer->setObject(obj.in()))
          throw CORBA::BAD_PARAM();
      });
      if (!set)
      {
        RTM_LOG_WARN("port", profileName() << ": consumer '" << consumers[i].instanceName << "' of connection '" << id
                                           << "': the reference in '" << bindings[i].key << "' is not a usable "
                                           << consumers[i].typeName << ": ignored");
        continue;
      }
      made.push_back(Subscription{i, bindings[i].ior});
    }
    std::lock_guard<std::mutex> lock(m_servicesMutex);
    for (const Subscription& subscription : made)
    {
      m_consumers[subscription.consumer].ior = subscription.ior;
      m_subscriptions[id].push_back(subscription);
    }
    return RTC_OK;
  }

  void CorbaPort::removeConnector(const std::string& connector_id)
  {
    std::lock_guard<std::mutex> lock(m_servicesMutex);
    auto found = m_subscriptions.find(connector_id);
    if (found == m_subscriptions.end())
      return;
    // A consumer that a later connection has set again keeps that connection's provider.
    for (const Subscription& subscription : found->second)
    {
      Consumer& consumer = m_consumers[subscription.consumer];
      if (consumer.ior != subscription.ior)
        continue;
      consumer.consumer->releaseObject();
      consumer.ior.clear();
    }
    m_subscriptions.erase(found);
  }
}
