#include "component/ComponentListeners.h"

#include "log/Warning.h"

#include <algorithm>
#include <exception>

namespace rtm
{
  template <class Listener>
  ComponentListeners::Holder<Listener>::~Holder()
  {
    for (const Entry& entry : entries)
    {
      if (entry.autoclean)
        delete entry.listener;
    }
  }

  template <class Listener>
  void ComponentListeners::Holder<Listener>::add(Listener* listener, bool autoclean)
  {
    std::lock_guard<std::mutex> lock(mutex);
    entries.push_back({listener, autoclean});
  }

  template <class Listener>
  void ComponentListeners::Holder<Listener>::remove(Listener* listener)
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.listener == listener; });
    if (it == entries.end())
      return;
    if (it->autoclean)
      delete it->listener;
    entries.erase(it);
  }

  template <class Listener>
  template <class Call>
  void ComponentListeners::Holder<Listener>::fire(const ComponentListeners& owner, const char* what, Call call)
  {
    std::lock_guard<std::mutex> lock(mutex);
    for (const Entry& entry : entries)
    {
      try
      {
        call(*entry.listener);
      }
      catch (...)
      {
        owner.warnThrown(what);
      }
    }
  }

  namespace
  {
    template <class Holders, class Listener>
    bool addListenerTo(Holders& holders, int type, Listener* listener, bool autoclean)
    {
      if (listener == nullptr)
        return false;
      if (type < 0 || type >= static_cast<int>(holders.size()))
      {
        if (autoclean)
          delete listener;
        return false;
      }
      holders[static_cast<std::size_t>(type)].add(listener, autoclean);
      return true;
    }

    template <class Holders, class Listener>
    void removeListenerFrom(Holders& holders, int type, Listener* listener)
    {
      if (type >= 0 && type < static_cast<int>(holders.size()))
        holders[static_cast<std::size_t>(type)].remove(listener);
    }
  }  // namespace

  // Out of line: the holders' members are defined in this file alone.
  ComponentListeners::ComponentListeners() = default;
  ComponentListeners::~ComponentListeners() = default;

  bool ComponentListeners::addPre(int type, RTC::PreComponentActionListener* listener, bool autoclean)
  {
    return addListenerTo(m_pre, type, listener, autoclean);
  }

  bool ComponentListeners::addPost(int type, RTC::PostComponentActionListener* listener, bool autoclean)
  {
    return addListenerTo(m_post, type, listener, autoclean);
  }

  bool ComponentListeners::addPort(int type, RTC::PortActionListener* listener, bool autoclean)
  {
    return addListenerTo(m_port, type, listener, autoclean);
  }

  bool ComponentListeners::addContext(int type, RTC::ExecutionContextActionListener* listener, bool autoclean)
  {
    return addListenerTo(m_context, type, listener, autoclean);
  }

  void ComponentListeners::removePre(int type, RTC::PreComponentActionListener* listener)
  {
    removeListenerFrom(m_pre, type, listener);
  }

  void ComponentListeners::removePost(int type, RTC::PostComponentActionListener* listener)
  {
    removeListenerFrom(m_post, type, listener);
  }

  void ComponentListeners::removePort(int type, RTC::PortActionListener* listener)
  {
    removeListenerFrom(m_port, type, listener);
  }

  void ComponentListeners::removeContext(int type, RTC::ExecutionContextActionListener* listener)
  {
    removeListenerFrom(m_context, type, listener);
  }

  void ComponentListeners::pre(RTC::PreComponentActionListenerType type, RTC::UniqueId ec_id)
  {
    m_pre[type].fire(*this, RTC::PreComponentActionListener::toString(type),
                     [ec_id](RTC::PreComponentActionListener& l) { l(ec_id); });
  }

  void ComponentListeners::post(RTC::PostComponentActionListenerType type, RTC::UniqueId ec_id, RTC::ReturnCode_t ret)
  {
    m_post[type].fire(*this, RTC::PostComponentActionListener::toString(type),
                      [ec_id, ret](RTC::PostComponentActionListener& l) { l(ec_id, ret); });
  }

  void ComponentListeners::port(RTC::PortActionListenerType type, const RTC::PortProfile& profile)
  {
    m_port[type].fire(*this, RTC::PortActionListener::toString(type),
                      [&profile](RTC::PortActionListener& l) { l(profile); });
  }

  void ComponentListeners::context(RTC::ExecutionContextActionListenerType type, RTC::UniqueId ec_id)
  {
    m_context[type].fire(*this, RTC::ExecutionContextActionListener::toString(type),
                         [ec_id](RTC::ExecutionContextActionListener& l) { l(ec_id); });
  }

  void ComponentListeners::setOwnerName(const std::string& name)
  {
    std::lock_guard<std::mutex> lock(m_nameMutex);
    m_ownerName = name;
  }

  void ComponentListeners::warnThrown(const char* what) const
  {
    std::string name;
    {
      std::lock_guard<std::mutex> lock(m_nameMutex);
      name = m_ownerName;
    }
    std::string cause;
    try
    {
      throw;
    }
    catch (const std::exception& e)
    {
      cause = std::string(": ") + e.what();
    }
    catch (...)
    {}
    warn("a " + std::string(what) + " listener of component '" + name + "' threw" + cause +
         "; the component goes on without it for this event");
  }
}  // namespace rtm
