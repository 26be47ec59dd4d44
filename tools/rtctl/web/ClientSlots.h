// How many connections each client address holds open at once. The server gives each
// connection a worker for its whole life, so without a bound one client that opens many and
// sends slowly would leave nobody else a worker.
#pragma once

#include <map>
#include <mutex>
#include <string>

namespace rtctl
{
  class ClientSlots
  {
  public:
    explicit ClientSlots(size_t perClient) : m_perClient(perClient) {}

    // False, taking nothing, when `address` holds all its slots already.
    bool take(const std::string& address);
    void give(const std::string& address);
    size_t perClient() const { return m_perClient; }

  private:
    const size_t m_perClient;
    std::mutex m_mutex;
    std::map<std::string, size_t> m_held;
  };
}
