#include "commands/PrintCommand.h"

#include "client/Arguments.h"
#include "client/DataPortTarget.h"
#include "client/Error.h"
#include "client/LocalComponent.h"
#include "client/StopSignal.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

namespace rtctl
{
  namespace
  {
    // How often the loop looks for samples; they wait in the port's buffer meanwhile.
    const auto kPollPeriod = std::chrono::milliseconds(1);
    // Deep enough that a burst from the target is printed whole, not overwritten.
    const char* const kBufferLength = "4096";

    std::string stampText(const RTC::Time& stamp)
    {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%lu.%09lu", static_cast<unsigned long>(stamp.sec),
                    static_cast<unsigned long>(stamp.nsec));
      return buffer;
    }
  }

  const char* PrintCommand::usage() const
  {
    return "usage: rtctl print PATH:PORT [-n COUNT] [--timeout S] [-v] [--ready]\n"
           "Print each sample that an output port sends, one line each, flushed as it comes. rtctl\n"
           "connects a component of its own (push, flush, bound in no naming service) and\n"
           "disconnects it when done. Runs until COUNT samples, S seconds, Ctrl-C (SIGINT, SIGTERM)\n"
           "or until the port closes the connection or its process is gone.\n"
           "  -n COUNT     stop after COUNT samples\n"
           "  --timeout S  stop after S seconds; with -n, fewer than COUNT samples by then is an\n"
           "               error (exit status 1)\n"
           "  -v           start each line with the sample's time stamp, SECONDS.NANOSECONDS\n"
           "  --ready      write 'rtctl: print: connected to PATH' on standard error once connected,\n"
           "               for scripts that must not send before print listens\n"
           "RTCTL_ENDPOINT: the address rtctl's component listens on (default: every interface),\n"
           "e.g. 127.0.0.1 when the target runs on this host.\n";
  }

  int PrintCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {"-v", "--ready"}, {"-n", "--timeout"});
    if (args.positional().size() != 1)
      throw UsageError("takes one port, PATH:PORT (see --help)");
    const long wanted = args.integer("-n", 0, 1, 1000000000L);
    const bool bounded = args.has("--timeout");
    const double timeout = args.real("--timeout", 0.0, 0.0);
    const bool stamps = args.has("-v");

    StopSignal stop;
    Session session(Orb::kServing);
    const DataPortTarget target(session, session.path(args.positional()[0]), false);
    std::unique_ptr<SampleReader> owned = target.codec().makeReader("port");
    SampleReader& reader = *owned;
    LocalComponent local(session.orb(), "print", std::move(owned));
    PortConnector::Properties properties = target.connectorProperties();
    properties.emplace_back("dataport.inport.buffer.length", kBufferLength);
    local.connect(target.ref(), properties);
    stop.listenHere();
    if (args.has("--ready"))
      std::cerr << "rtctl: print: connected to " << target.path().text() << std::endl;

    const auto deadline =
      std::chrono::steady_clock::now() +
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(timeout));
    long printed = 0;
    std::string value;
    RTC::Time stamp;
    std::string ended;  // why the target stopped sending, when it did
    while (!StopSignal::raised() && (wanted == 0 || printed < wanted))
    {
      if (reader.take(value, stamp))
      {
        if (stamps)
          std::cout << stampText(stamp) << ' ';
        std::cout << value << std::endl;
        if (!std::cout)
          return kExitOk;  // nobody reads any more (a closed pipe)
        ++printed;
        continue;
      }
      if (bounded && std::chrono::steady_clock::now() >= deadline)
        break;
      if (reader.port().connectionCount() == 0)
        ended = " closed the connection";
      else if (target.vanished())
        ended = " is gone";
      if (!ended.empty())
        break;
      std::this_thread::sleep_for(kPollPeriod);
    }
    if (wanted != 0 && printed < wanted && !StopSignal::raised())
      throw Error((ended.empty() ? "timed out after " + args.value("--timeout") + " s" : target.path().text() + ended) +
                  " with " + std::to_string(printed) + " of " + std::to_string(wanted) + " samples");
    if (!ended.empty())
      std::cerr << "rtctl: print: " << target.path().text() << ended << std::endl;
    return kExitOk;
  }
}
