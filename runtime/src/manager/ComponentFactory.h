// A registered component type: its profile, its factory functions and the instance slots that
// number its instances (Trimul0, Trimul1, ... with freed numbers reused).
#pragma once

#include <coil/Properties.h>
#include <rtm/Factory.h>

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

    const coil::Properties& profile() const { return m_profile; }
    RTC::RtcNewFunc create;
    RTC::RtcDeleteFunc destroy;

  private:
    coil::Properties m_profile;
    std::vector<bool> m_slots;
    long m_maxInstances;  // 0: no limit
  };
}
