// The manager's configuration as it is now. The manager's CORBA object may change it while the
// manager runs (set_configuration), so every read and change takes a lock, and readers take
// copies.
#pragma once

#include <coil/Properties.h>

#include <chrono>
#include <initializer_list>
#include <mutex>
#include <string>

namespace rtm
{
  class ManagerSettings
  {
  public:
    explicit ManagerSettings(const coil::Properties& config) : m_config(config) {}

    coil::Properties settings();
    // Only `keys`: a timer round copies what it reads and nothing else.
    coil::Properties settings(std::initializer_list<const char*> keys);
    std::string setting(const std::string& key);
    void changeSetting(const std::string& key, const std::string& value);
    bool isMaster();
    // RTC::Manager::getConfig's answer: the API hands out a reference, which no lock can guard.
    coil::Properties& unguarded() { return m_config; }

    // The middleware's reading of a YES/NO setting.
    static bool yes(const coil::Properties& p, const char* key, bool def);
    // A setting in seconds; `def` when it is missing, malformed or not positive.
    static std::chrono::milliseconds seconds(const coil::Properties& p, const char* key, double def);

  private:
    std::mutex m_mutex;  // taken alone, never with another lock
    coil::Properties m_config;
  };
}
