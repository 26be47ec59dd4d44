#include "client/ComponentWatcher.h"

#include <cstdio>
#include <random>

namespace rtctl
{
  namespace
  {
    // A fresh version 4 UUID, the form tools give their observers' profiles.
    std::string newId()
    {
      static std::mutex mutex;
      static std::mt19937_64 random{std::random_device{}()};
      std::lock_guard<std::mutex> lock(mutex);
      const unsigned long long high = random();
      const unsigned long long low = random();
      char text[40];
      std::snprintf(text, sizeof text, "%08llx-%04llx-4%03llx-%04llx-%012llx", high >> 32, (high >> 16) & 0xffff,
                    high & 0xfff, ((low >> 48) & 0x3fff) | 0x8000, low & 0xffffffffffffULL);
      return text;
    }

    void addString(SDOPackage::NVList& list, const char* name, const std::string& value)
    {
      const CORBA::ULong n = list.length();
      list.length(n + 1);
      list[n].name = CORBA::string_dup(name);
      list[n].value <<= value.c_str();
    }
  }

  ComponentWatcher::ComponentWatcher(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa,
                                     std::function<void(const WatchEvent&)> callback, Options options)
    : m_orb(CORBA::ORB::_duplicate(orb)), m_poa(PortableServer::POA::_duplicate(poa)),
      m_sink(std::make_shared<EventSink>(std::move(callback))), m_options(std::move(options))
  {}

  ComponentWatcher::ComponentWatcher(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa,
                                     std::function<void(const WatchEvent&)> callback)
    : ComponentWatcher(orb, poa, std::move(callback), Options())
  {}

  ComponentWatcher::~ComponentWatcher()
  {
    detachAll();
    m_sink->close();
  }

  ComponentWatcher::Result ComponentWatcher::attach(const std::string& label, RTC::RTObject_ptr component)
  {
    auto attachment = std::make_shared<Attachment>();
    attachment->component = RTC::RTObject::_duplicate(component);
    attachment->id = newId();
    attachment->servant = new ObserverServant(label, m_sink);
    attachment->oid = m_poa->activate_object(attachment->servant.in());
    try
    {
      CORBA::Object_var observer = m_poa->id_to_reference(attachment->oid.in());
      attachment->configuration = attachment->component->get_configuration();
      omniORB::setClientCallTimeout(attachment->configuration.in(), static_cast<CORBA::ULong>(m_options.callTimeoutMs));

      SDOPackage::ServiceProfile profile;
      profile.id = CORBA::string_dup(attachment->id.c_str());
      profile.interface_type = CORBA::string_dup("IDL:OpenRTM/ComponentObserver:1.0");
      profile.service = SDOPackage::SDOService::_narrow(observer.in());
      addString(profile.properties, "observed_status", m_options.observedStatus);
      addString(profile.properties, "heartbeat.enable", "YES");
      addString(profile.properties, "heartbeat.interval", std::to_string(m_options.heartbeatSeconds));
      if (!attachment->configuration->add_service_profile(profile))
      {
        release(attachment, false);
        return kRefused;
      }
    }
    catch (...)
    {
      release(attachment, false);
      throw;
    }
    AttachmentPtr replaced;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      AttachmentPtr& slot = m_attached[label];
      replaced = slot;
      slot = attachment;
    }
    if (replaced)
      release(replaced, true);
    return kAttached;
  }

  bool ComponentWatcher::detach(const std::string& label)
  {
    const AttachmentPtr attachment = take(label);
    if (attachment)
      release(attachment, true);
    return attachment != nullptr;
  }

  void ComponentWatcher::forget(const std::string& label)
  {
    if (const AttachmentPtr attachment = take(label))
      release(attachment, false);
  }

  ComponentWatcher::AttachmentPtr ComponentWatcher::take(const std::string& label)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_attached.find(label);
    if (it == m_attached.end())
      return nullptr;
    AttachmentPtr attachment = it->second;
    m_attached.erase(it);
    return attachment;
  }

  void ComponentWatcher::detachAll()
  {
    for (const std::string& label : labels())
      detach(label);
  }

  std::vector<std::string> ComponentWatcher::labels() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> out;
    for (const auto& entry : m_attached)
      out.push_back(entry.first);
    return out;
  }

  bool ComponentWatcher::silent(const std::string& label) const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_attached.find(label);
    if (it == m_attached.end())
      return false;
    const auto quiet = std::chrono::steady_clock::now() - it->second->servant->lastHeard();
    return quiet > std::chrono::duration<double>(3 * m_options.heartbeatSeconds);
  }

  void ComponentWatcher::release(const AttachmentPtr& attachment, bool tellComponent)
  {
    if (tellComponent && !CORBA::is_nil(attachment->configuration))
    {
      try
      {
        attachment->configuration->remove_service_profile(attachment->id.c_str());
      }
      catch (...)
      {
        // Gone or frozen: it drops the observer itself once its calls fail.
      }
    }
    try
    {
      m_poa->deactivate_object(attachment->oid.in());
    }
    catch (...)
    {
      // Already deactivated (the ORB is shutting down).
    }
  }
}
