#include "manager/ManagerTimers.h"

#include "log/Logger.h"
#include "manager/ManagerObject.h"
#include "manager/ManagerSettings.h"
#include "naming/NamingManager.h"

#include <coil/stringutil.h>

namespace rtm
{
  ManagerTimers::ManagerTimers(ManagerSettings& settings, NamingManager& naming, ManagerObject* object,
                               std::function<bool()> nothingLeft)
    : m_settings(settings), m_naming(naming), m_object(object), m_nothingLeft(std::move(nothingLeft))
  {
    const coil::Properties cfg = settings.settings({"naming.update.interval", "manager.auto_shutdown_duration"});
    const auto now = Clock::now();
    m_nextNamingUpdate = now + ManagerSettings::seconds(cfg, "naming.update.interval", 10.0);
    m_nextAutoShutdownCheck = now + ManagerSettings::seconds(cfg, "manager.auto_shutdown_duration", 10.0);
  }

  void ManagerTimers::startLinks(Clock::time_point first)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nextLinkUpdate = first;
    m_linksStarted = true;
  }

  bool ManagerTimers::run(Clock::time_point now)
  {
    if (!coil::toBool(m_settings.setting("timer.enable"), "YES", "NO", true))
      return false;
    // This runs ten times a second; a round with nothing due touches no setting, so that an idle
    // manager allocates nothing between its timers.
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (now < m_nextNamingUpdate && now < m_nextAutoShutdownCheck && now < m_nextLinkUpdate)
        return false;
    }
    // Read when due: the manager's object may change them. Only these keys are copied.
    const coil::Properties cfg = m_settings.settings(
      {"naming.update.interval", "naming.update.enable", "naming.update.rebind", "manager.is_master",
       "corba.master_manager", "manager.name", "manager.auto_shutdown_duration", "manager.shutdown_auto"});
    const auto interval = ManagerSettings::seconds(cfg, "naming.update.interval", 10.0);
    if (now >= m_nextNamingUpdate)
    {
      m_nextNamingUpdate = now + interval;
      if (ManagerSettings::yes(cfg, "naming.update.enable", true))
        m_naming.update(ManagerSettings::yes(cfg, "naming.update.rebind", false));
    }
    bool linksDue = false;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      linksDue = m_object != nullptr && m_linksStarted && now >= m_nextLinkUpdate;
      if (linksDue || (m_object == nullptr && now >= m_nextLinkUpdate))
        m_nextLinkUpdate = now + interval;
    }
    if (linksDue)
      m_object->keepLinks(cfg);

    if (now < m_nextAutoShutdownCheck)
      return false;
    m_nextAutoShutdownCheck = now + ManagerSettings::seconds(cfg, "manager.auto_shutdown_duration", 10.0);
    if (ManagerSettings::yes(cfg, "manager.is_master", false) ||
        !ManagerSettings::yes(cfg, "manager.shutdown_auto", true) || !m_nothingLeft())
      return false;
    RTM_LOG_INFO("manager", "no component left: shutting down");
    return true;
  }
}
