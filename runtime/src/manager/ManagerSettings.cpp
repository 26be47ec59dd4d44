#include "manager/ManagerSettings.h"

#include <coil/stringutil.h>

#include <cstdlib>

namespace rtm
{
  coil::Properties ManagerSettings::settings()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_config;
  }

  coil::Properties ManagerSettings::settings(std::initializer_list<const char*> keys)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    coil::Properties some;
    for (const char* key : keys)
      some.setProperty(key, m_config.getProperty(key));
    return some;
  }

  std::string ManagerSettings::setting(const std::string& key)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_config.getProperty(key);
  }

  void ManagerSettings::changeSetting(const std::string& key, const std::string& value)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_config.setProperty(key, value);
  }

  bool ManagerSettings::isMaster() { return coil::toBool(setting("manager.is_master"), "YES", "NO", false); }

  bool ManagerSettings::yes(const coil::Properties& p, const char* key, bool def)
  {
    return coil::toBool(p.getProperty(key), "YES", "NO", def);
  }

  std::chrono::milliseconds ManagerSettings::seconds(const coil::Properties& p, const char* key, double def)
  {
    const std::string text = p.getProperty(key);
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end == nullptr || *end != '\0' || !(value > 0))
      value = def;
    return std::chrono::milliseconds(static_cast<long long>(value * 1000.0));
  }
}
