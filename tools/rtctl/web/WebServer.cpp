#include "web/WebServer.h"

#include "client/SystemReader.h"
#include "web/EventStream.h"
#include "web/LiveView.h"
#include "web/PageAssets.h"
#include "web/PlotFeeds.h"

#include "client/ComponentRef.h"
#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/SampleCodec.h"
#include "client/Session.h"
#include "client/StateRequest.h"

#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace rtctl
{
  namespace
  {
    // Each connection holds a worker for its whole life, an event stream too: enough for a few
    // pages with a few plots each, besides the short requests.
    const size_t kWorkers = 64;
    // Half the workers: what one client address holds at most, so that a client that opens
    // connections and sends slowly leaves the other half to everyone else. A browser opens six
    // at most to one server; the rest is for several users behind one address (an SSH tunnel).
    const size_t kConnectionsPerClient = 32;
    // Streams beyond this wait for nobody: the remaining workers are kept for short requests.
    const int kMaxStreams = 24;
    // How long a state button waits for the state it asked for.
    const double kStateWaitSeconds = 5.0;

    const GuardedServer::Limits kLimits = {
      // A browser's head is well under 2 KiB in some 15 lines. Whole requests arrive within
      // 10 s; one that takes longer holds a worker for nothing.
      {16 * 1024, 100, RequestRouter::kMaxBodyBytes, std::chrono::seconds(10), std::chrono::seconds(10)},
      std::chrono::seconds(5),
      100,
      kConnectionsPerClient,
    };

    const StateRequest::Kind kRequests[] = {StateRequest::kActivate, StateRequest::kDeactivate, StateRequest::kReset};

    void answer(httplib::Response& response, int status, const std::string& line)
    {
      response.status = status;
      response.set_content(line + "\n", "text/plain; charset=utf-8");
    }

    RequestRouter::Request routerRequest(const httplib::Request& request)
    {
      RequestRouter::Request plain;
      plain.method = request.method;
      plain.path = request.path;
      plain.query.assign(request.params.begin(), request.params.end());
      for (const auto& header : request.headers)
        // The library adds these from the socket; the client did not send them.
        if (header.first != "REMOTE_ADDR" && header.first != "REMOTE_PORT" && header.first != "LOCAL_ADDR" &&
            header.first != "LOCAL_PORT")
          plain.headers.push_back(header);
      plain.body = request.body;
      return plain;
    }

    std::string thisHostName()
    {
      char name[256] = "";
      ::gethostname(name, sizeof name - 1);
      return name;
    }
  }

  WebServer::WebServer(Session& session, LiveView& view, PlotFeeds& plots)
    : m_session(session), m_view(view), m_plots(plots), m_openStreams(std::make_shared<std::atomic<int>>(0)),
      m_server(kLimits)
  {
    m_server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    // The library's default also sets SO_REUSEPORT, with which a second server on a taken port
    // starts without a word and the two share the requests. SO_REUSEADDR alone still lets a
    // restarted server take its port back at once.
    m_server.set_socket_options([](int socket) {
      const int yes = 1;
      ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    routes();
  }

  bool WebServer::isLoopback(const std::string& address) { return RequestRouter::isLoopback(address); }

  bool WebServer::hostAllowed(const std::string& host, bool loopbackOnly)
  {
    return !loopbackOnly || RequestRouter(RequestRouter::Settings{"", "127.0.0.1", 0, {}, ""}).hostAllowed(host);
  }

  int WebServer::bind(const std::string& address, int port, const std::string& token)
  {
    errno = 0;
    int bound = port;
    bool ok;
    if (port == 0)
    {
      bound = m_server.bind_to_any_port(address);
      ok = bound > 0;
    }
    else
    {
      ok = m_server.bind_to_port(address, port);
    }
    if (ok)
    {
      m_router = std::make_unique<RequestRouter>(
        RequestRouter::Settings{Session::defaultServer(), address, bound, {thisHostName(), "localhost"}, token});
      return bound;
    }
    const int error = errno;
    const std::string where = "cannot listen on " + address + ":" + std::to_string(port) + ": ";
    if (error == EADDRINUSE)
      throw Error(where + "the port is taken (choose another with --port)");
    if (error == EADDRNOTAVAIL || error == 0)
      throw Error(where + "not an address of this host (see --bind)");
    throw Error(where + std::strerror(error));
  }

  void WebServer::run()
  {
    m_server.serve();
    m_ended = true;
  }

  void WebServer::stop()
  {
    // The library's stop() does nothing to a server that is not listening yet, which would then
    // listen on with nobody left to stop it: a stop signal that came during start-up did that.
    while (!m_server.is_running() && !m_ended)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_server.stop();
  }

  void WebServer::refuse(httplib::Response& response, const RequestRouter::Route& route)
  {
    answer(response, route.status, route.line);
    if (!route.allow.empty())
      response.set_header("Allow", route.allow);
    // What the client still sends of this request is not read: it cannot be told from the next.
    response.set_header("Connection", "close");
    GuardedServer::closeAfterAnswer();
  }

  void WebServer::routes()
  {
    // Before the body is read, so that a refused body is never read.
    m_server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
      const RequestRouter::Route route = m_router->admit(routerRequest(request));
      if (route.action != RequestRouter::Action::kRefuse)
        return httplib::Server::HandlerResponse::Unhandled;
      refuse(response, route);
      return httplib::Server::HandlerResponse::Handled;
    });
    // A client that waits to be told to send its body is told no at once when it would be refused.
    m_server.set_expect_100_continue_handler([this](const httplib::Request& request, httplib::Response& response) {
      const RequestRouter::Route route = m_router->admit(routerRequest(request));
      if (route.action != RequestRouter::Action::kRefuse)
        return 100;
      refuse(response, route);
      return route.status;
    });
    m_server.set_error_handler(
      httplib::Server::HandlerWithResponse([this](const httplib::Request& request, httplib::Response& response) {
        // The library answers 400 to a request whose reading its stream cut short; say which bound.
        int status;
        std::string line;
        if (m_server.overrunAnswer(GuardedServer::currentOverrun(), status, line))
        {
          answer(response, status, line);
          return httplib::Server::HandlerResponse::Handled;
        }
        if (!response.body.empty())
          return httplib::Server::HandlerResponse::Unhandled;
        answer(response, response.status,
               response.status == 404 ? "no such page: " + request.path : "cannot answer " + request.path);
        return httplib::Server::HandlerResponse::Handled;
      }));
    m_server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
      try
      {
        std::rethrow_exception(error);
      }
      catch (const std::exception& e)
      {
        answer(response, 500, e.what());
      }
      catch (...)
      {
        answer(response, 500, "unexpected failure");
      }
    });
    const auto all = [this](const httplib::Request& request, httplib::Response& response) {
      dispatch(request, response);
    };
    m_server.Get(".*", all);
    m_server.Post(".*", all);
  }

  void WebServer::dispatch(const httplib::Request& request, httplib::Response& response)
  {
    const RequestRouter::Route route = m_router->route(routerRequest(request));
    switch (route.action)
    {
      case RequestRouter::Action::kRefuse:
        return refuse(response, route);
      case RequestRouter::Action::kPage:
      {
        const PageAssets::Asset* asset = PageAssets::find(request.path);
        if (asset == nullptr)
          return answer(response, 404, "no such page: " + request.path);
        if (!m_router->settings().token.empty())
          response.set_header("Set-Cookie", m_router->cookieName() + "=" + m_router->settings().token +
                                              "; Path=/; HttpOnly; SameSite=Strict");
        // The page has buttons: no other site may show it inside a frame of its own and have the
        // user click them there.
        response.set_header("X-Frame-Options", "DENY");
        response.set_header("Content-Security-Policy", "frame-ancestors 'none'");
        // The first address carries the token; nothing the page loads should pass it on.
        response.set_header("Referrer-Policy", "no-referrer");
        response.set_header("X-Content-Type-Options", "nosniff");
        return response.set_content(reinterpret_cast<const char*>(asset->data), asset->size, asset->contentType);
      }
      case RequestRouter::Action::kSystem:
        response.set_header("Cache-Control", "no-cache");
        return response.set_content(m_view.snapshot(), "application/json");
      case RequestRouter::Action::kEvents:
        return stream(response, m_view.subscribe(), nullptr);
      case RequestRouter::Action::kPlot:
        return plot(route, response);
      case RequestRouter::Action::kActivate:
      case RequestRouter::Action::kDeactivate:
      case RequestRouter::Action::kReset:
        return changeState(route, response);
    }
  }

  void WebServer::changeState(const RequestRouter::Route& route, httplib::Response& response)
  {
    const RtPath& path = route.target;
    const std::string key = SystemReader::keyOf(path);
    SystemView::Component known;
    if (path.hasPort() || !m_view.component(key, known))
      return answer(response, 404, "no component '" + route.targetText + "' in this view");

    const int action = route.action == RequestRouter::Action::kActivate     ? 0
                       : route.action == RequestRouter::Action::kDeactivate ? 1
                                                                            : 2;
    try
    {
      const ComponentRef component(m_session.names(path), path);
      StateRequest(kRequests[action], kStateWaitSeconds).apply(component, 0);
      const RTC::LifeCycleState state = StateRequest::state(component, 0);
      m_view.refresh(key);
      response.set_content(nlohmann::json{{"component", key}, {"state", CorbaText::state(state)}}.dump(),
                           "application/json");
    }
    catch (const UnreachableError& e)
    {
      m_view.refresh(key);
      answer(response, 502, e.what());
    }
    catch (const Error& e)
    {
      m_view.refresh(key);
      answer(response, 409, e.what());
    }
  }

  void WebServer::plot(const RequestRouter::Route& route, httplib::Response& response)
  {
    const RtPath& path = route.target;
    const std::string key = SystemReader::keyOf(path);
    const std::string& text = route.targetText;
    SystemView::Component known;
    if (!m_view.component(key, known))
      return answer(response, 404, "no component '" + path.componentText() + "' in this view");
    const SystemView::Port* port = known.port(path.port());
    if (port == nullptr)
    {
      std::string names;
      for (const SystemView::Port& p : known.ports)
        names += (names.empty() ? "" : ", ") + p.name;
      return answer(response, 404,
                    "no port '" + path.port() + "' on " + path.componentText() +
                      (names.empty() ? std::string(" (it has no ports)") : " (its ports: " + names + ")"));
    }
    if (port->direction != "out")
      return answer(response, 400, text + " is not an output port; only what an output port sends can be plotted");
    if (SampleCodec::find(port->dataType) == nullptr)
      return answer(response, 400, text + " carries " + port->dataType + ", which rtctl cannot read");

    std::shared_ptr<EventQueue> queue;
    try
    {
      queue = m_plots.open(key + ":" + path.port(), path);
    }
    catch (const Error& e)
    {
      return answer(response, 502, e.what());
    }
    m_view.refresh(key);
    stream(response, queue, [this, key] {
      m_plots.release();
      m_view.refresh(key);
    });
  }

  void WebServer::stream(httplib::Response& response, const std::shared_ptr<EventQueue>& queue,
                         const std::function<void()>& onEnd)
  {
    if (++*m_openStreams > kMaxStreams)
    {
      --*m_openStreams;
      queue->close();
      if (onEnd)
        onEnd();
      return answer(response, 503,
                    "too many open streams (" + std::to_string(kMaxStreams) + "): close a page or a plot");
    }
    std::shared_ptr<std::atomic<int>> open = m_openStreams;
    EventStream::serve(response, queue, [open, onEnd] {
      --*open;
      if (onEnd)
        onEnd();
    });
  }
}
