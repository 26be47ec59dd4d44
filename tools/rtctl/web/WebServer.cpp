#include "WebServer.h"

#include "EventStream.h"
#include "LiveView.h"
#include "PageAssets.h"
#include "PlotFeeds.h"
#include "SystemReader.h"

#include "ComponentRef.h"
#include "CorbaText.h"
#include "Error.h"
#include "SampleCodec.h"
#include "Session.h"
#include "StateRequest.h"

#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace rtctl
{
  namespace
  {
    // Each open event stream holds a worker for its whole life: enough for a few pages with a
    // few plots each, besides the short requests.
    const size_t kWorkers = 32;
    // Streams beyond this wait for nobody: the remaining workers are kept for short requests.
    const int kMaxStreams = 24;
    // How long a state button waits for the state it asked for.
    const double kStateWaitSeconds = 5.0;

    const char* const kActions[] = {"activate", "deactivate", "reset"};
    const StateRequest::Kind kRequests[] = {StateRequest::kActivate, StateRequest::kDeactivate,
                                            StateRequest::kReset};

    void answer(httplib::Response& response, int status, const std::string& line)
    {
      response.status = status;
      response.set_content(line + "\n", "text/plain; charset=utf-8");
    }

    std::string hostPart(const std::string& host)
    {
      if (!host.empty() && host[0] == '[')
      {
        const std::string::size_type close = host.find(']');
        return close == std::string::npos ? host : host.substr(1, close - 1);
      }
      const std::string::size_type colon = host.find(':');
      if (colon != std::string::npos && host.find(':', colon + 1) == std::string::npos)
        return host.substr(0, colon);
      return host;
    }
  }

  WebServer::WebServer(Session& session, LiveView& view, PlotFeeds& plots)
    : m_session(session), m_view(view), m_plots(plots), m_openStreams(std::make_shared<std::atomic<int> >(0))
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

  bool WebServer::isLoopback(const std::string& address)
  {
    // Addresses only as literals: a name such as 127.0.0.1.example.com is any site's to point here.
    const std::string host = hostPart(address);
    in_addr v4{};
    in6_addr v6{};
    if (::inet_pton(AF_INET, host.c_str(), &v4) == 1)
      return (ntohl(v4.s_addr) >> 24) == 127;
    if (::inet_pton(AF_INET6, host.c_str(), &v6) == 1)
      return IN6_IS_ADDR_LOOPBACK(&v6);
    return host == "localhost";
  }

  bool WebServer::hostAllowed(const std::string& host, bool loopbackOnly)
  {
    return !loopbackOnly || host.empty() || isLoopback(host);
  }

  int WebServer::bind(const std::string& address, int port)
  {
    m_loopbackOnly = isLoopback(address);
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
      return bound;
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
    m_server.listen_after_bind();
  }

  void WebServer::stop()
  {
    m_server.stop();
  }

  void WebServer::routes()
  {
    m_server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
      if (hostAllowed(request.get_header_value("Host"), m_loopbackOnly))
        return httplib::Server::HandlerResponse::Unhandled;
      answer(response, 403, "this server answers only to a loopback name (localhost, 127.0.0.1)");
      return httplib::Server::HandlerResponse::Handled;
    });
    m_server.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request& request,
                                                                       httplib::Response& response) {
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

    m_server.Get("/api/system", [this](const httplib::Request&, httplib::Response& response) {
      response.set_header("Cache-Control", "no-cache");
      response.set_content(m_view.snapshot(), "application/json");
    });
    m_server.Get("/api/events", [this](const httplib::Request&, httplib::Response& response) {
      stream(response, m_view.subscribe(), nullptr);
    });
    m_server.Get("/api/plot", [this](const httplib::Request& request, httplib::Response& response) {
      plot(request, response);
    });
    for (int action = 0; action < 3; ++action)
      m_server.Post(std::string("/api/") + kActions[action],
                    [this, action](const httplib::Request& request, httplib::Response& response) {
                      changeState(request, response, action);
                    });
    m_server.Get("/[^/]*", [](const httplib::Request& request, httplib::Response& response) {
      const PageAssets::Asset* asset = PageAssets::find(request.path);
      if (asset == nullptr)
        return answer(response, 404, "no such page: " + request.path);
      response.set_content(reinterpret_cast<const char*>(asset->data), asset->size, asset->contentType);
    });
  }

  void WebServer::changeState(const httplib::Request& request, httplib::Response& response, int action)
  {
    // Only a page of this server can send JSON here: a form on another site cannot, and a
    // script there would need a permission this server never gives.
    if (request.get_header_value("Content-Type").compare(0, 16, "application/json") != 0)
      return answer(response, 415, std::string("send {\"component\": PATH} as application/json to ") + request.path);
    const nlohmann::json body = nlohmann::json::parse(request.body, nullptr, false);
    if (!body.is_object() || !body.contains("component") || !body["component"].is_string())
      return answer(response, 400, std::string("the body must be {\"component\": PATH}, not: ") + request.body.substr(0, 200));
    const std::string text = body["component"].get<std::string>();
    std::string key;
    RtPath path;
    try
    {
      path = RtPath::parse(text, Session::defaultServer());
      key = SystemReader::keyOf(path);
    }
    catch (const Error& e)
    {
      return answer(response, 400, e.what());
    }
    SystemView::Component known;
    if (path.hasPort() || !m_view.component(key, known))
      return answer(response, 404, "no component '" + text + "' in this view");

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

  void WebServer::plot(const httplib::Request& request, httplib::Response& response)
  {
    const std::string text = request.get_param_value("port");
    if (text.empty())
      return answer(response, 400, "name the port to plot: /api/plot?port=PATH:PORT");
    RtPath path;
    std::string key;
    try
    {
      path = RtPath::parse(text, Session::defaultServer());
      path.requirePort();
      key = SystemReader::keyOf(path);
    }
    catch (const Error& e)
    {
      return answer(response, 400, e.what());
    }
    SystemView::Component known;
    if (!m_view.component(key, known))
      return answer(response, 404, "no component '" + path.componentText() + "' in this view");
    const SystemView::Port* port = known.port(path.port());
    if (port == nullptr)
    {
      std::string names;
      for (const SystemView::Port& p : known.ports)
        names += (names.empty() ? "" : ", ") + p.name;
      return answer(response, 404, "no port '" + path.port() + "' on " + path.componentText() +
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

  void WebServer::stream(httplib::Response& response, std::shared_ptr<EventQueue> queue, std::function<void()> onEnd)
  {
    if (++*m_openStreams > kMaxStreams)
    {
      --*m_openStreams;
      queue->close();
      if (onEnd)
        onEnd();
      return answer(response, 503, "too many open streams (" + std::to_string(kMaxStreams) + "): close a page or a plot");
    }
    std::shared_ptr<std::atomic<int> > open = m_openStreams;
    EventStream::serve(response, queue, [open, onEnd] {
      --*open;
      if (onEnd)
        onEnd();
    });
  }
}
