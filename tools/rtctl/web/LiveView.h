// The system kept current for every open page. Each component is watched through an observer
// attached to it (ComponentWatcher), and read again when it tells of a change; one that takes no
// observer, or whose observer fell silent (its process died or froze), is read again on every
// pass instead. A pass, every `interval`, lists the naming contexts for components that came or
// went. Every change goes out to the page's event streams as a new snapshot, and a request that
// changed a component (a button) has it read again at once.
#pragma once

#include "client/SystemReader.h"
#include "client/SystemView.h"
#include "web/EventFanout.h"

#include "client/ComponentWatcher.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace rtctl
{
  class LiveView
  {
  public:
    LiveView(Session& session, std::vector<RtPath> roots, std::chrono::milliseconds interval);
    ~LiveView();
    LiveView(const LiveView&) = delete;
    LiveView& operator=(const LiveView&) = delete;

    // Reads the whole system once, so that the first page already shows it, then keeps it
    // current from a thread of its own.
    void start();

    // A stream whose first event is the current snapshot ("system"), followed by each change.
    std::shared_ptr<EventQueue> subscribe();
    std::string snapshot() const;
    // A copy of the component as last read; false when the view has no component under `key`.
    bool component(const std::string& key, SystemView::Component& out) const;
    // Reads one component again now and sends the change out.
    void refresh(const std::string& key);
    // Ends every stream, the reading thread and the observers.
    void close();

  private:
    void run();
    // Lists the naming contexts and reads every component that is not watched by an observer.
    void pass();
    // Attaches an observer to each component just read that has none yet; the ones that refuse
    // stay polled.
    void observe(const std::vector<std::string>& keys);
    // Components whose observers fell silent are read again, and polled from now on.
    void checkObservers();
    void onEvent(const WatchEvent& event);
    // Takes in what a read found; `ticket` orders reads, so a slow read that started before a
    // quicker one never overwrites what the quicker one found.
    void store(SystemView::Component component, unsigned long ticket);
    unsigned long nextTicket();
    void publishLocked();
    void reportRootProblems(const SystemView& view);

    Session& m_session;
    const std::vector<RtPath> m_roots;
    const std::chrono::milliseconds m_interval;
    SystemReader m_reader;
    std::unique_ptr<ComponentWatcher> m_watcher;
    // Only the reading thread touches these two.
    std::set<std::string> m_observed;
    std::set<std::string> m_refused;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    SystemView m_view;
    std::map<std::string, unsigned long> m_tickets;
    unsigned long m_lastTicket = 0;
    std::set<std::string> m_changed;  // components whose observers told of a change
    std::string m_viewJson;  // the view without its graph, to tell whether anything changed
    std::string m_snapshot;
    std::map<std::string, std::string> m_rootProblems;
    EventFanout m_streams;
    bool m_closed = false;
    std::thread m_thread;
  };
}
