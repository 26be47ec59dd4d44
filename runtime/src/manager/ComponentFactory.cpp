#include "manager/ComponentFactory.h"

#include "config/ComponentArgs.h"

#include <cstdlib>

namespace rtm
{
  namespace
  {
    long parseMaxInstances(const std::string& text)
    {
      char* end = nullptr;
      const long n = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || end == nullptr || *end != '\0' || n <= 0)
        return 0;
      return n;
    }
  }

  ComponentFactory::ComponentFactory(const coil::Properties& profile, RTC::RtcNewFunc c, RTC::RtcDeleteFunc d)
    : create(c), destroy(d), m_profile(profile), m_maxInstances(parseMaxInstances(profile.getProperty("max_instance")))
  {}

  bool ComponentFactory::matches(const config::ComponentArgs& args) const
  {
    auto same = [this](const char* key, const std::string& wanted) {
      return wanted.empty() || m_profile.getProperty(key) == wanted;
    };
    return m_profile.getProperty("implementation_id") == args.implementationId && same("vendor", args.vendor) &&
           same("category", args.category) && same("version", args.version);
  }

  bool ComponentFactory::sameTypeAs(const ComponentFactory& other) const
  {
    for (const char* key : {"implementation_id", "vendor", "category", "version"})
      if (m_profile.getProperty(key) != other.m_profile.getProperty(key))
        return false;
    return true;
  }

  int ComponentFactory::acquireSlot()
  {
    long used = 0;
    for (bool taken : m_slots)
      used += taken ? 1 : 0;
    if (m_maxInstances > 0 && used >= m_maxInstances)
      return -1;
    for (size_t i = 0; i < m_slots.size(); ++i)
    {
      if (!m_slots[i])
      {
        m_slots[i] = true;
        return static_cast<int>(i);
      }
    }
    m_slots.push_back(true);
    return static_cast<int>(m_slots.size() - 1);
  }

  bool ComponentFactory::inUse() const
  {
    for (bool taken : m_slots)
      if (taken)
        return true;
    return false;
  }

  void ComponentFactory::releaseSlot(int slot)
  {
    if (slot >= 0 && static_cast<size_t>(slot) < m_slots.size())
      m_slots[slot] = false;
  }
}
