#include "web/ClientSlots.h"

namespace rtctl
{
  bool ClientSlots::take(const std::string& address)
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    size_t& held = m_held[address];
    if (held >= m_perClient)
      return false;
    ++held;
    return true;
  }

  void ClientSlots::give(const std::string& address)
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_held.find(address);
    if (it == m_held.end())
      return;
    // Addresses that hold nothing are forgotten, so the table stays as small as what is open.
    if (--it->second == 0)
      m_held.erase(it);
  }
}
