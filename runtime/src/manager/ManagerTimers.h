// What the manager does on its own, on the worker thread: the naming repair round
// (naming.update.*), the links to master and slave managers, and the check that shuts a slave
// down once it has no component left (manager.shutdown_auto). Each has its own due time; a round
// with nothing due touches no setting.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>

namespace rtm
{
  class ManagerObject;
  class ManagerSettings;
  class NamingManager;

  class ManagerTimers
  {
  public:
    using Clock = std::chrono::steady_clock;

    // `object` null when the manager has no CORBA object, and then no links. `nothingLeft` says
    // whether the manager holds no component.
    ManagerTimers(ManagerSettings& settings, NamingManager& naming, ManagerObject* object,
                  std::function<bool()> nothingLeft);

    // From the manager's activation on, links are kept, the first round at `first`.
    void startLinks(Clock::time_point first);
    // Runs what is due at `now`; true when the manager should shut down for having no
    // component left.
    bool run(Clock::time_point now);

  private:
    ManagerSettings& m_settings;
    NamingManager& m_naming;
    ManagerObject* const m_object;
    const std::function<bool()> m_nothingLeft;

    std::mutex m_mutex;  // startLinks comes from the main thread
    bool m_linksStarted = false;
    Clock::time_point m_nextNamingUpdate;
    Clock::time_point m_nextLinkUpdate;
    Clock::time_point m_nextAutoShutdownCheck;
  };
}
