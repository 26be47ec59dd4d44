// The listeners registered on one component, by kind and type, and the calls that fire them.
// Each list fires in registration order under its own mutex, on the thread of the event; a
// listener that throws costs one warning and does not stop the others or the component.
#pragma once

#include <rtm/ComponentActionListener.h>

#include <array>
#include <mutex>
#include <string>
#include <vector>

namespace rtm
{
  class ComponentListeners
  {
  public:
    ComponentListeners();
    // Deletes the autoclean listeners.
    ~ComponentListeners();
    ComponentListeners(const ComponentListeners&) = delete;
    ComponentListeners& operator=(const ComponentListeners&) = delete;

    // Each returns false for a type out of range, and then keeps nothing (an autoclean listener is
    // deleted, so that a bad call leaks nothing).
    bool addPre(int type, RTC::PreComponentActionListener* listener, bool autoclean);
    bool addPost(int type, RTC::PostComponentActionListener* listener, bool autoclean);
    bool addPort(int type, RTC::PortActionListener* listener, bool autoclean);
    bool addContext(int type, RTC::ExecutionContextActionListener* listener, bool autoclean);
    void removePre(int type, RTC::PreComponentActionListener* listener);
    void removePost(int type, RTC::PostComponentActionListener* listener);
    void removePort(int type, RTC::PortActionListener* listener);
    void removeContext(int type, RTC::ExecutionContextActionListener* listener);

    void pre(RTC::PreComponentActionListenerType type, RTC::UniqueId ec_id);
    void post(RTC::PostComponentActionListenerType type, RTC::UniqueId ec_id, RTC::ReturnCode_t ret);
    void port(RTC::PortActionListenerType type, const RTC::PortProfile& profile);
    void context(RTC::ExecutionContextActionListenerType type, RTC::UniqueId ec_id);

    // The name warnings give the component.
    void setOwnerName(const std::string& name);

  private:
    template <class Listener>
    struct Holder
    {
      struct Entry
      {
        Listener* listener;
        bool autoclean;
      };
      std::mutex mutex;
      std::vector<Entry> entries;

      ~Holder();
      void add(Listener* listener, bool autoclean);
      void remove(Listener* listener);
      template <class Call>
      void fire(const ComponentListeners& owner, const char* what, Call call);
    };

    void warnThrown(const char* what) const;

    std::array<Holder<RTC::PreComponentActionListener>, RTC::PRE_COMPONENT_ACTION_LISTENER_NUM> m_pre;
    std::array<Holder<RTC::PostComponentActionListener>, RTC::POST_COMPONENT_ACTION_LISTENER_NUM> m_post;
    std::array<Holder<RTC::PortActionListener>, RTC::PORT_ACTION_LISTENER_NUM> m_port;
    std::array<Holder<RTC::ExecutionContextActionListener>, RTC::EC_ACTION_LISTENER_NUM> m_context;
    mutable std::mutex m_nameMutex;
    std::string m_ownerName;
  };
}  // namespace rtm
