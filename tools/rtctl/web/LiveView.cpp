#include "LiveView.h"

#include "ViewGraph.h"

#include "Error.h"

#include <iostream>

namespace rtctl
{
  namespace
  {
    // Snapshots are whole: a stream that falls behind needs only the newest few.
    const size_t kStreamBacklog = 4;
  }

  LiveView::LiveView(Session& session, std::vector<RtPath> roots, std::chrono::milliseconds interval)
    : m_roots(std::move(roots)), m_interval(interval), m_reader(session)
  {
  }

  void LiveView::start()
  {
    readAll();
    m_thread = std::thread([this] { run(); });
  }

  LiveView::~LiveView()
  {
    close();
    if (m_thread.joinable())
      m_thread.join();
  }

  void LiveView::close()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_closed = true;
    }
    m_wake.notify_all();
    m_streams.close();
  }

  std::shared_ptr<EventQueue> LiveView::subscribe()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<EventQueue> queue = m_streams.subscribe(kStreamBacklog);
    queue->push({"system", m_snapshot});
    return queue;
  }

  std::string LiveView::snapshot() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_snapshot;
  }

  bool LiveView::component(const std::string& key, SystemView::Component& out) const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const SystemView::Component* found = m_view.component(key);
    if (found == nullptr)
      return false;
    out = *found;
    return true;
  }

  void LiveView::refresh(const std::string& key)
  {
    unsigned long ticket;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_view.component(key) == nullptr)
        return;
      ticket = ++m_nextTicket;
    }
    SystemView::Component fresh = m_reader.readComponent(RtPath::parse(key, Session::defaultServer()));
    std::lock_guard<std::mutex> lock(m_mutex);
    store(std::move(fresh), ticket);
    publishLocked();
  }

  void LiveView::run()
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_closed)
    {
      m_wake.wait_for(lock, m_interval, [this] { return m_closed; });
      if (m_closed)
        break;
      lock.unlock();
      readAll();
      lock.lock();
    }
  }

  void LiveView::readAll()
  {
    unsigned long ticket;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      ticket = ++m_nextTicket;
    }
    SystemView fresh = m_reader.read(m_roots);
    reportRootProblems(fresh);
    std::lock_guard<std::mutex> lock(m_mutex);
    std::map<std::string, SystemView::Component> found = std::move(fresh.components);
    m_view.roots = std::move(fresh.roots);
    // Components whose names went away leave the view; the others are merged one by one.
    for (auto it = m_view.components.begin(); it != m_view.components.end();)
    {
      if (found.count(it->first) == 0)
      {
        m_tickets.erase(it->first);
        it = m_view.components.erase(it);
      }
      else
      {
        ++it;
      }
    }
    for (auto& entry : found)
      store(std::move(entry.second), ticket);
    publishLocked();
  }

  void LiveView::store(SystemView::Component component, unsigned long ticket)
  {
    unsigned long& stored = m_tickets[component.key];
    if (stored > ticket)
      return;
    stored = ticket;
    auto it = m_view.components.find(component.key);
    // A component that stopped answering keeps the ports it had, so the page can still draw
    // it where it was; it has no connections any more.
    if (component.state == "Zombie" && it != m_view.components.end() && component.ports.empty())
    {
      component.ports = it->second.ports;
      for (SystemView::Port& port : component.ports)
        port.connections.clear();
    }
    const std::string key = component.key;
    m_view.components[key] = std::move(component);
  }

  void LiveView::publishLocked()
  {
    nlohmann::json json = m_view.toJson();
    std::string viewJson = json.dump();
    if (viewJson == m_viewJson)
      return;
    m_viewJson = std::move(viewJson);
    // The graph is drawn only when the view changed: dot takes tens of milliseconds.
    try
    {
      json["graph"] = {{"svg", ViewGraph::svg(m_view)}, {"problem", ""}};
    }
    catch (const Error& e)
    {
      json["graph"] = {{"svg", ""}, {"problem", e.what()}};
    }
    m_snapshot = json.dump();
    m_streams.publish({"system", m_snapshot});
  }

  void LiveView::reportRootProblems(const SystemView& view)
  {
    // One line when a naming service stops answering and one when it is back, not one a read.
    for (const SystemView::Node& root : view.roots)
    {
      std::string& known = m_rootProblems[root.key];
      if (root.problem == known)
        continue;
      if (root.problem.empty())
        std::cerr << "rtctl: serve: " << root.key << " answers again" << std::endl;
      else
        std::cerr << "rtctl: serve: " << root.problem << std::endl;
      known = root.problem;
    }
  }
}
