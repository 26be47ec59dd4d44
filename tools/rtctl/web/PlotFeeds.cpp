#include "web/PlotFeeds.h"

#include <vector>

namespace rtctl
{
  std::shared_ptr<EventQueue> PlotFeeds::open(const std::string& key, const RtPath& port)
  {
    release();
    std::lock_guard<std::mutex> lock(m_mutex);
    std::unique_ptr<PlotFeed>& feed = m_feeds[key];
    if (!feed)
    {
      try
      {
        feed = std::make_unique<PlotFeed>(m_session, port);
      }
      catch (...)
      {
        m_feeds.erase(key);
        throw;
      }
    }
    return feed->subscribe();
  }

  void PlotFeeds::release()
  {
    std::vector<std::unique_ptr<PlotFeed>> idle;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      for (auto it = m_feeds.begin(); it != m_feeds.end();)
      {
        if (it->second->idle())
        {
          idle.push_back(std::move(it->second));
          it = m_feeds.erase(it);
        }
        else
        {
          ++it;
        }
      }
    }
    // Disconnecting calls the port: done outside the lock, so other pages are not held up.
  }

  void PlotFeeds::close()
  {
    std::map<std::string, std::unique_ptr<PlotFeed>> all;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      all.swap(m_feeds);
    }
  }

  size_t PlotFeeds::count()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_feeds.size();
  }
}
