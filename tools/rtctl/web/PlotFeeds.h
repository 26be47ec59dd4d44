// The plot feeds of every port some page plots, one feed a port however many pages plot it.
// A feed is dropped, and so disconnected from its port, once its last stream has ended.
#pragma once

#include "web/PlotFeed.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace rtctl
{
  class PlotFeeds
  {
  public:
    explicit PlotFeeds(Session& session) : m_session(session) {}

    // A stream of the port's samples (see PlotFeed), starting its feed when there is none.
    // `key` names the port; throws Error as PlotFeed does.
    std::shared_ptr<EventQueue> open(const std::string& key, const RtPath& port);
    // Drops the feeds nobody plots any more. Called when a stream ends.
    void release();
    // Drops every feed, ending their streams.
    void close();
    size_t count();

  private:
    Session& m_session;
    std::mutex m_mutex;
    std::map<std::string, std::unique_ptr<PlotFeed>> m_feeds;
  };
}
