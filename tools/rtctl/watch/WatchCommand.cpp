#include "watch/WatchCommand.h"

#include "client/Arguments.h"
#include "client/ComponentRef.h"
#include "client/ComponentWatcher.h"
#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/NameText.h"
#include "client/NameWalk.h"
#include "client/Session.h"
#include "client/StopSignal.h"
#include "watch/StatePoller.h"

#include <time.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace rtctl
{
  namespace
  {
    // The main loop's step: how soon a stop request or a finalized component is noticed.
    const auto kStep = std::chrono::milliseconds(50);
    // Bound on a call that checks whether a silent component is still there.
    const unsigned long kProbeTimeoutMs = 2000;

    struct Target
    {
      std::string label;
      RTC::RTObject_var ref;
    };

    std::string timeText(std::chrono::system_clock::time_point when)
    {
      const auto since = when.time_since_epoch();
      const time_t seconds = static_cast<time_t>(std::chrono::duration_cast<std::chrono::seconds>(since).count());
      const long millis =
        static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count() % 1000);
      tm local{};
      localtime_r(&seconds, &local);
      char text[96];
      std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03ld", local.tm_year + 1900, local.tm_mon + 1,
                    local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, millis);
      return text;
    }

    void note(const std::string& text) { std::cerr << "rtctl: watch: " << text << std::endl; }

    // Every component bound under a context, depth first, in the context's order.
    void collect(const NameWalk::Node& node, std::vector<Target>& out)
    {
      for (const NameWalk::Node& child : node.children)
      {
        if (child.isContext)
          collect(child, out);
        else if (!child.skipped && NameText::isComponent(child.name))
        {
          if (CORBA::is_nil(child.object))
            note(child.path.componentText() + " " + child.problem + "; not watched");
          else
            out.push_back({child.path.componentText(), RTC::RTObject::_unchecked_narrow(child.object.in())});
        }
      }
    }

    std::vector<Target> targetsOf(Session& session, const std::string& text)
    {
      const RtPath path = session.path(text).requireNoPort("watch takes components or naming contexts");
      NameService& names = session.names(path);
      std::vector<Target> out;
      CORBA::Object_var obj = names.resolve(path);
      bool context = path.isRoot();
      try
      {
        context = context || NameService::isContext(obj.in());
      }
      catch (const CORBA::Exception&)
      {
        // Does not answer: ComponentRef below says so.
      }
      if (context)
      {
        collect(NameWalk(names, note).read(path), out);
        if (out.empty())
          throw Error("no component is bound under " +
                      (path.componentText().empty() ? path.server() : path.componentText()));
        return out;
      }
      const ComponentRef component(obj.in(), path);
      out.push_back({path.componentText(), RTC::RTObject::_duplicate(component.ref())});
      return out;
    }

    // Writes events as lines, one writer at a time (observers call from the ORB's threads, the
    // polls from the main thread), and notes the components that finalized.
    class Printer
    {
    public:
      explicit Printer(bool heartbeats) : m_heartbeats(heartbeats) {}

      void print(const WatchEvent& e)
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (e.kind == "RTC_STATUS" && e.hint.compare(0, 9, "FINALIZE:") == 0)
          m_finalized.insert(e.component);
        if (e.kind == "HEARTBEAT" && !m_heartbeats)
          return;
        std::cout << timeText(e.when) << ' ' << e.component << ' ' << e.kind << ' ' << e.hint << std::endl;
      }

      std::set<std::string> takeFinalized()
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::set<std::string> out;
        out.swap(m_finalized);
        return out;
      }

    private:
      std::mutex m_mutex;
      const bool m_heartbeats;
      std::set<std::string> m_finalized;
    };

    // True if the component still exists; `why` says what the probe met otherwise.
    bool stillThere(RTC::RTObject_ptr ref, std::string& why)
    {
      try
      {
        if (!ref->_non_existent())
          return true;
        why = "no longer exists";
      }
      catch (const CORBA::Exception& e)
      {
        why = CorbaText::exception(e);
      }
      return false;
    }
  }

  const char* WatchCommand::usage() const
  {
    return "usage: rtctl watch PATH... [-s KINDS] [--interval S] [--heartbeat S] [--heartbeats] [--ready]\n"
           "Print each change of the components at PATH (a component, or every component under a\n"
           "naming context) as it happens, one line each: time, component, kind, hint, e.g.\n"
           "  2026-12-08 10:15:02.118 host.host_cxt/Trimul0.rtc RTC_STATUS ACTIVE:0\n"
           "rtctl attaches an observer to each component (as the middleware's tools do) and detaches\n"
           "it on Ctrl-C (SIGINT, SIGTERM). A component that takes no observer is polled instead (it\n"
           "says so once); one that dies or finalizes is reported and the others are still watched.\n"
           "  -s KINDS        the kinds to hear, comma-separated: RTC_STATUS, EC_STATUS, PORT_PROFILE,\n"
           "                  CONFIGURATION, COMPONENT_PROFILE, or ALL (the default)\n"
           "  --interval S    seconds between two polls of a component that takes no observer (0.2)\n"
           "  --heartbeat S   the components' heartbeat; three missed ones make rtctl check that a\n"
           "                  component is still there (1.0)\n"
           "  --heartbeats    print the heartbeats too\n"
           "  --ready         write 'rtctl: watch: ready' on standard error once everything is watched\n"
           "Exit status 0 when stopped, 1 when no component could be watched or none is left.\n"
           "RTCTL_ENDPOINT: the address the observers listen on, which the components must reach.\n";
  }

  int WatchCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {"--ready", "--heartbeats"}, {"-s", "--interval", "--heartbeat"});
    if (args.positional().empty())
      throw UsageError("takes one or more PATHs of components or naming contexts (see --help)");
    const double interval = args.real("--interval", 0.2, 0.01);
    ComponentWatcher::Options options;
    options.observedStatus = args.value("-s", "ALL");
    options.heartbeatSeconds = args.real("--heartbeat", 1.0, 0.01);

    StopSignal stop;
    Session session(Orb::kServing);
    std::vector<Target> targets;
    for (const std::string& text : args.positional())
      for (Target& t : targetsOf(session, text))
        targets.push_back(std::move(t));

    Printer printer(args.has("--heartbeats"));
    const auto print = [&printer](const WatchEvent& e) { printer.print(e); };
    ComponentWatcher watcher(session.orb().orb(), session.orb().poa(), print, options);
    std::map<std::string, RTC::RTObject_var> watched;
    std::map<std::string, std::unique_ptr<StatePoller>> polled;
    const auto pollInstead = [&](const Target& t) {
      auto poller = std::make_unique<StatePoller>(t.label, t.ref.in(), print);
      poller->poll();
      polled[t.label] = std::move(poller);
    };
    std::ostringstream every;
    every << interval;
    for (const Target& t : targets)
    {
      if (watched.count(t.label) != 0 || polled.count(t.label) != 0)
        continue;
      omniORB::setClientCallTimeout(t.ref.in(), static_cast<CORBA::ULong>(kProbeTimeoutMs));
      try
      {
        if (watcher.attach(t.label, t.ref.in()) == ComponentWatcher::kAttached)
          watched[t.label] = t.ref;
        else
        {
          note(t.label + " takes no observer; polling it every " + every.str() + " s");
          pollInstead(t);
        }
      }
      catch (const CORBA::Exception& e)
      {
        note(t.label + " " + CorbaText::exception(e) + "; not watched");
      }
    }
    if (watched.empty() && polled.empty())
      throw Error("no component could be watched");
    stop.listenHere();
    if (args.has("--ready"))
      note("ready");

    const auto gone = [&](const std::string& label, const std::string& why) {
      watcher.forget(label);
      watched.erase(label);
      polled.erase(label);
      note(label + " " + why + "; " +
           (watched.empty() && polled.empty() ? "nothing left to watch" : "watching the others"));
    };
    auto nextPoll = std::chrono::steady_clock::now();
    while (!StopSignal::raised() && !(watched.empty() && polled.empty()))
    {
      std::this_thread::sleep_for(kStep);
      for (const std::string& label : printer.takeFinalized())
        if (watched.count(label) != 0 || polled.count(label) != 0)
          gone(label, "finalized");

      std::vector<std::string> silent;
      for (const auto& w : watched)
        if (watcher.silent(w.first))
          silent.push_back(w.first);
      for (const std::string& label : silent)
      {
        std::string why;
        RTC::RTObject_var ref = watched[label];
        if (!stillThere(ref.in(), why))
          gone(label, why);
        else
        {
          // Alive but silent: it dropped our observer (we did not answer for a while). Again.
          try
          {
            if (watcher.attach(label, ref.in()) == ComponentWatcher::kRefused)
            {
              watcher.forget(label);
              watched.erase(label);
              note(label + " takes no observer any more; polling it every " + every.str() + " s");
              pollInstead({label, ref});
            }
          }
          catch (const CORBA::Exception& e)
          {
            gone(label, CorbaText::exception(e));
          }
        }
      }

      if (std::chrono::steady_clock::now() < nextPoll)
        continue;
      nextPoll +=
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(interval));
      std::vector<std::string> failed;
      std::map<std::string, std::string> reasons;
      for (auto& p : polled)
      {
        try
        {
          p.second->poll();
        }
        catch (const CORBA::Exception& e)
        {
          reasons[p.first] = CorbaText::exception(e);
        }
      }
      for (const auto& r : reasons)
        gone(r.first, r.second);
    }
    const bool stopped = StopSignal::raised();
    watcher.detachAll();
    return stopped ? kExitOk : kExitFailure;
  }
}
