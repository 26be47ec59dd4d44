// The HTTP side of `rtctl serve`: the page's files, the system as JSON and as an event stream,
// the state buttons, and the plot streams. Every request that names something the view does not
// hold is answered 404 with one line saying what; everything else keeps serving.
//
//   GET  /                          the page (and its /app.js, /app.css)
//   GET  /api/system                the current snapshot (SystemView::toJson)
//   GET  /api/events                server-sent events: "system", a new snapshot on each change
//   POST /api/activate|deactivate|reset   body {"component": KEY}: the state it reached
//   GET  /api/plot?port=KEY:PORT    server-sent events of the port's samples (PlotFeed)
#pragma once

#include "EventQueue.h"

#include <httplib.h>

#include <atomic>
#include <functional>
#include <memory>

#include <string>

namespace rtctl
{
  class LiveView;
  class PlotFeeds;
  class Session;

  class WebServer
  {
  public:
    WebServer(Session& session, LiveView& view, PlotFeeds& plots);

    // Takes the address and port (0: any free one) and returns the port. Throws Error with one
    // line naming the address when it cannot: taken, not an address of this host.
    int bind(const std::string& address, int port);
    // Serves until stop().
    void run();
    void stop();

    // Whether a request's Host header may be answered. A server that listens on the loopback
    // interface answers only names of that interface, so that a web site cannot reach it
    // through a name of its own that resolves to 127.0.0.1 (DNS rebinding). Listening anywhere
    // else, the user has chosen to be reached by whatever name.
    static bool hostAllowed(const std::string& host, bool loopbackOnly);
    static bool isLoopback(const std::string& address);

  private:
    void routes();
    // Streams the queue, or answers 503 when so many streams are open that short requests
    // would find no worker left.
    void stream(httplib::Response& response, std::shared_ptr<EventQueue> queue, std::function<void()> onEnd);
    void changeState(const httplib::Request& request, httplib::Response& response, int action);
    void plot(const httplib::Request& request, httplib::Response& response);

    Session& m_session;
    LiveView& m_view;
    PlotFeeds& m_plots;
    bool m_loopbackOnly = true;
    std::shared_ptr<std::atomic<int> > m_openStreams;
    httplib::Server m_server;
  };
}
