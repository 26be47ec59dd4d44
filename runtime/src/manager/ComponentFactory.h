// A registered component type: its profile, its factory functions, the instance slots that
// number its instances (Trimul0, Trimul1, ... with freed numbers reused), and the module that
// registered it, if any, which stays open as long as the factory does.
#pragma once

#include <coil/Properties.h>
#include <rtm/Factory.h>

#include <memory>
#include <string>
#include <vector>

namespace rtm
{
  namespace config
  {
    struct ComponentArgs;
  }

  class ComponentFactory
  {
  public:
    ComponentFactory(const coil::Properties& profile, RTC::RtcNewFunc create, RTC::RtcDeleteFunc destroy);

    // Same implementation_id, and vendor, category and version where the caller gives them.
    bool matches(const config::ComponentArgs& args) const;
    bool sameTypeAs(const ComponentFactory& other) const;

    // The lowest free instance number, or -1 when the profile's max_instance is reached.
    int acquireSlot();
    void releaseSlot(int slot);
    // True while an instance holds a number: being created, alive, or not yet handed back.
    bool inUse() const;

    const coil::Properties& profile() const { return m_profile; }
    RTC::RtcNewFunc create;
    RTC::RtcDeleteFunc destroy;
    // The module file whose init function registered this type ("" for one of the program's own),
    // and its open library: the factory functions are its code.
    std::string modulePath;
    std::shared_ptr<void> module;

  private:
    coil::Properties m_profile;
    std::vector<bool> m_slots;
    long m_maxInstances;  // 0: no limit
  };
}
