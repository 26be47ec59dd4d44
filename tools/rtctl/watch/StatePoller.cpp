#include "watch/StatePoller.h"

namespace rtctl
{
  namespace
  {
    const char* stateWord(RTC::LifeCycleState state)
    {
      switch (state)
      {
        case RTC::ACTIVE_STATE:
          return "ACTIVE";
        case RTC::ERROR_STATE:
          return "ERROR";
        case RTC::INACTIVE_STATE:
          return "INACTIVE";
        default:
          return "CREATED";
      }
    }
  }

  StatePoller::StatePoller(std::string label, RTC::RTObject_ptr component,
                           std::function<void(const WatchEvent&)> callback)
    : m_label(std::move(label)), m_component(RTC::RTObject::_duplicate(component)), m_callback(std::move(callback))
  {}

  void StatePoller::poll()
  {
    Snapshot now = read();
    if (m_first)
    {
      m_first = false;
      m_last = std::move(now);
      return;
    }
    for (const auto& ec : now.states)
    {
      auto before = m_last.states.find(ec.first);
      if (before == m_last.states.end())
        report("EC_STATUS", "ATTACHED:" + std::to_string(ec.first));
      if (before == m_last.states.end() || before->second != ec.second)
        report("RTC_STATUS", std::string(stateWord(ec.second)) + ":" + std::to_string(ec.first));
    }
    for (const auto& ec : m_last.states)
      if (now.states.count(ec.first) == 0)
        report("EC_STATUS", "DETACHED:" + std::to_string(ec.first));

    for (const auto& port : now.connectors)
    {
      auto before = m_last.connectors.find(port.first);
      if (before == m_last.connectors.end())
      {
        report("PORT_PROFILE", "ADD:" + port.first);
        continue;
      }
      for (const std::string& id : port.second)
        if (before->second.count(id) == 0)
          report("PORT_PROFILE", "CONNECT:" + port.first);
      for (const std::string& id : before->second)
        if (port.second.count(id) == 0)
          report("PORT_PROFILE", "DISCONNECT:" + port.first);
    }
    for (const auto& port : m_last.connectors)
      if (now.connectors.count(port.first) == 0)
        report("PORT_PROFILE", "REMOVE:" + port.first);
    m_last = std::move(now);
  }

  StatePoller::Snapshot StatePoller::read()
  {
    Snapshot s;
    RTC::ExecutionContextList_var owned = m_component->get_owned_contexts();
    RTC::ExecutionContextList_var participating = m_component->get_participating_contexts();
    for (const RTC::ExecutionContextList* list : {&owned.in(), &participating.in()})
    {
      for (CORBA::ULong i = 0; i < list->length(); ++i)
      {
        RTC::ExecutionContext_ptr ec = (*list)[i];
        if (CORBA::is_nil(ec))
          continue;
        const RTC::ExecutionContextHandle_t handle = m_component->get_context_handle(ec);
        s.states[handle] = ec->get_component_state(m_component.in());
      }
    }
    RTC::PortServiceList_var ports = m_component->get_ports();
    for (CORBA::ULong i = 0; i < ports->length(); ++i)
    {
      RTC::PortProfile_var profile = ports[i]->get_port_profile();
      std::set<std::string>& ids = s.connectors[profile->name.in()];
      for (CORBA::ULong c = 0; c < profile->connector_profiles.length(); ++c)
        ids.insert(profile->connector_profiles[c].connector_id.in());
    }
    return s;
  }

  void StatePoller::report(const std::string& kind, const std::string& hint)
  {
    m_callback({m_label, kind, hint, std::chrono::system_clock::now()});
  }
}
