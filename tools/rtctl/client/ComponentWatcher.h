// Watches components live: attaches an observer of this process to each (as the middleware's
// tools do: an SDO service profile of interface type IDL:OpenRTM/ComponentObserver:1.0 added
// through the component's Configuration) and hands every update to one callback, one call at a
// time, from the ORB's threads. Detaches them again on request and when it goes.
//
//   ComponentWatcher watcher(orb, poa, [](const WatchEvent& e) { ... });
//   if (watcher.attach("/localhost/host.host_cxt/Trimul0.rtc", ref) == ComponentWatcher::kRefused)
//     ... poll it instead (StatePoller)
//
// `poa` must be active and reachable by the components (the process serves the observers).
#pragma once

#include "client/ObserverServant.h"
#include "client/WatchEvent.h"

#include <rtm/idl/RTC.hh>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace rtctl
{
  class ComponentWatcher
  {
  public:
    struct Options
    {
      std::string observedStatus = "ALL";
      // The heartbeat the components are asked for; how the watcher tells a silent component.
      double heartbeatSeconds = 1.0;
      // Bound on each attach and detach call.
      unsigned long callTimeoutMs = 3000;
    };
    enum Result
    {
      kAttached,
      kRefused,  // the component does not take observers
    };

    ComponentWatcher(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa, std::function<void(const WatchEvent&)> callback,
                     Options options);
    ComponentWatcher(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa, std::function<void(const WatchEvent&)> callback);
    // Detaches from every component still attached.
    ~ComponentWatcher();
    ComponentWatcher(const ComponentWatcher&) = delete;
    ComponentWatcher& operator=(const ComponentWatcher&) = delete;

    // Attaching a label again replaces its observer. Throws the CORBA exception of a component
    // that cannot be reached.
    Result attach(const std::string& label, RTC::RTObject_ptr component);
    // Asks the component to drop the observer (failures ignored: it may be gone) and stops
    // listening. False for a label not attached.
    bool detach(const std::string& label);
    // Stops listening without calling the component: for one that is gone.
    void forget(const std::string& label);
    void detachAll();

    std::vector<std::string> labels() const;
    // True when the component has sent nothing, not even a heartbeat, for three heartbeat
    // intervals: it died, froze, or dropped the observer.
    bool silent(const std::string& label) const;

  private:
    struct Attachment
    {
      RTC::RTObject_var component;
      SDOPackage::Configuration_var configuration;
      std::string id;
      PortableServer::Servant_var<ObserverServant> servant;
      PortableServer::ObjectId_var oid;
    };
    using AttachmentPtr = std::shared_ptr<Attachment>;

    // Removes the label's attachment from the list; null when there is none.
    AttachmentPtr take(const std::string& label);
    void release(const AttachmentPtr& attachment, bool tellComponent);

    CORBA::ORB_var m_orb;
    PortableServer::POA_var m_poa;
    std::shared_ptr<EventSink> m_sink;
    Options m_options;
    mutable std::mutex m_mutex;
    std::map<std::string, AttachmentPtr> m_attached;
  };
}
