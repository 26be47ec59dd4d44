// The system kept current for every open page: a thread of its own reads it, and every change
// goes out to the page's event streams as a new snapshot. A request that changed a component
// (a button) has it read again at once, so the page shows the result without waiting.
#pragma once

#include "EventFanout.h"
#include "SystemReader.h"
#include "SystemView.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
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
    // Ends every stream and the reading thread.
    void close();

  private:
    void run();
    void readAll();
    // Takes in what a read found; `ticket` orders reads, so a slow read that started before a
    // quicker one never overwrites what the quicker one found.
    void store(SystemView::Component component, unsigned long ticket);
    void publishLocked();
    void reportRootProblems(const SystemView& view);

    const std::vector<RtPath> m_roots;
    const std::chrono::milliseconds m_interval;
    SystemReader m_reader;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    SystemView m_view;
    std::map<std::string, unsigned long> m_tickets;
    unsigned long m_nextTicket = 0;
    std::string m_viewJson;  // the view without its graph, to tell whether anything changed
    std::string m_snapshot;
    std::map<std::string, std::string> m_rootProblems;
    EventFanout m_streams;
    bool m_closed = false;
    std::thread m_thread;
  };
}
