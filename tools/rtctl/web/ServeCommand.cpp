#include "web/ServeCommand.h"

#include "web/AccessToken.h"
#include "web/LiveView.h"
#include "web/PlotFeeds.h"
#include "web/WebServer.h"

#include "client/Arguments.h"
#include "client/Error.h"
#include "client/Session.h"
#include "client/StopSignal.h"

#include <unistd.h>

#include <chrono>
#include <iostream>
#include <thread>

namespace rtctl
{
  namespace
  {
    const long kDefaultPort = 8080;
    const char* const kDefaultAddress = "127.0.0.1";
    // How often the naming contexts are listed again and components without an observer read.
    const double kDefaultIntervalSeconds = 1.0;

    std::string urlHost(const std::string& address)
    {
      // Listening on every address, the page is reached by this host's name.
      if (address == "0.0.0.0" || address == "::")
      {
        char name[256] = "";
        ::gethostname(name, sizeof name - 1);
        return name;
      }
      return address.find(':') != std::string::npos ? "[" + address + "]" : address;
    }
  }

  const char* ServeCommand::usage() const
  {
    return "usage: rtctl serve [--port P] [--bind ADDR] [--token] [--interval S] [PATH...]\n"
           "Serve a web page that shows the system live: the naming tree under each PATH (default:\n"
           "the root of the default naming service), each component's state, ports and\n"
           "connections as a graph, buttons to activate, deactivate and reset each component, and\n"
           "a live plot of what any output port sends (rtctl connects a component of its own to\n"
           "the port while a page plots it, and disconnects when none does). Runs until Ctrl-C\n"
           "(SIGINT, SIGTERM); prints the page's address once it listens.\n"
           "  --port P      the HTTP port (default 8080; 0: any free port)\n"
           "  --bind ADDR   the address to listen on (default 127.0.0.1, this host only); a\n"
           "                server on a loopback address answers only to loopback names. Any\n"
           "                other address (0.0.0.0: all of them) lets other hosts press the\n"
           "                page's buttons, so every request must then carry a random token:\n"
           "                open the address serve prints, which holds it (no TLS: prefer an\n"
           "                SSH tunnel to a server on 127.0.0.1)\n"
           "  --token       ask for the token on a loopback address too (other users of this\n"
           "                host can reach it)\n"
           "  --interval S  list the naming contexts again every S seconds, and read the\n"
           "                components that take no observer (default 1); the others tell of\n"
           "                their changes through an observer rtctl attaches to each\n"
           "RTCTL_ENDPOINT: the address rtctl's components listen on (default: every interface),\n"
           "e.g. 127.0.0.1 when the system runs on this host.\n";
  }

  int ServeCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {"--token"}, {"--port", "--bind", "--interval"});
    const int port = static_cast<int>(args.integer("--port", kDefaultPort, 0, 65535));
    const std::string address = args.value("--bind", kDefaultAddress);
    const double interval = args.real("--interval", kDefaultIntervalSeconds, 0.05);
    std::vector<RtPath> roots;
    for (const std::string& text : args.positional())
    {
      roots.push_back(
        RtPath::parse(text, Session::defaultServer()).requireNoPort("serve shows naming contexts and components"));
    }
    if (roots.empty())
      roots.push_back(RtPath::parse("", Session::defaultServer()));

    // Signals are blocked before any thread starts, so that only this one receives them.
    StopSignal stop;
    Session session(Orb::kServing);
    LiveView view(session, roots, std::chrono::milliseconds(static_cast<long>(interval * 1000.0)));
    PlotFeeds plots(session);
    WebServer server(session, view, plots);
    const std::string token =
      args.has("--token") || !RequestRouter::isLoopback(address) ? AccessToken::generate() : std::string();
    const int bound = server.bind(address, port, token);
    view.start();
    std::thread serving([&server] { server.run(); });
    stop.listenHere();
    std::cout << "rtctl: serve: http://" << urlHost(address) << ":" << bound << "/"
              << (token.empty() ? "" : "?token=" + token) << std::endl;

    while (!StopSignal::raised())
      std::this_thread::sleep_for(std::chrono::milliseconds(50));

    // Streams end first, so that the server's workers are free to finish.
    view.close();
    plots.close();
    server.stop();
    serving.join();
    return kExitOk;
  }
}
