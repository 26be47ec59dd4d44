// The HTTP side of `rtctl serve`: the page's files, the system as JSON and as an event stream,
// the state buttons, and the plot streams (the routes are RequestRouter's). Every request that
// names something the view does not hold is answered 404 with one line saying what; everything
// else keeps serving.
//
//   GET  /                          the page (and its /app.js, /app.css)
//   GET  /api/system                the current snapshot (ViewJson::of)
//   GET  /api/events                server-sent events: "system", a new snapshot on each change
//   POST /api/activate|deactivate|reset   body {"component": KEY}: the state it reached
//   POST /api/plot                  body {"port": KEY:PORT}: server-sent events of the port's
//                                   samples (PlotFeed)
//
// Bounds, so that nobody who can reach the server can stop it serving others: a request's head
// at most 100 lines and 16 KiB, its body 4 KiB (said in its head, else refused unread), the whole
// request within 10 s; 64 workers, of which one client address holds 32 at most and the event
// streams 24.
#pragma once

#include "web/EventQueue.h"
#include "web/GuardedServer.h"
#include "web/RequestRouter.h"

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
    // line naming the address when it cannot: taken, not an address of this host. Unless `token`
    // is empty, every request must carry it (RequestRouter).
    int bind(const std::string& address, int port, const std::string& token = "");
    // Serves until stop().
    void run();
    // Ends run(), also one that has not begun listening yet.
    void stop();

    // Whether a request's Host header may be answered by a server on a loopback address (see
    // RequestRouter::hostAllowed); with `loopbackOnly` false, any.
    static bool hostAllowed(const std::string& host, bool loopbackOnly);
    static bool isLoopback(const std::string& address);

  private:
    void routes();
    void dispatch(const httplib::Request& request, httplib::Response& response);
    void refuse(httplib::Response& response, const RequestRouter::Route& route);
    // Streams the queue, or answers 503 when so many streams are open that short requests
    // would find no worker left.
    void stream(httplib::Response& response, const std::shared_ptr<EventQueue>& queue,
                const std::function<void()>& onEnd);
    void changeState(const RequestRouter::Route& route, httplib::Response& response);
    void plot(const RequestRouter::Route& route, httplib::Response& response);

    Session& m_session;
    LiveView& m_view;
    PlotFeeds& m_plots;
    std::unique_ptr<RequestRouter> m_router;  // once bound: it needs the port
    std::shared_ptr<std::atomic<int>> m_openStreams;
    GuardedServer m_server;
    std::atomic<bool> m_ended{false};  // run() has returned
  };
}
