#include "web/LiveView.h"

#include "web/JsonText.h"
#include "web/ViewGraph.h"
#include "web/ViewJson.h"

#include "client/ComponentRef.h"
#include "client/Error.h"

#include <iostream>

namespace rtctl
{
  namespace
  {
    // Snapshots are whole: a stream that falls behind needs only the newest few.
    const size_t kStreamBacklog = 4;
    // How often observers are checked for silence between two passes (a local check, no call).
    const auto kObserverCheck = std::chrono::milliseconds(500);

    bool answers(const SystemView::Component& component)
    {
      return component.state != "Zombie" && component.state != "Unknown";
    }
  }

  LiveView::LiveView(Session& session, std::vector<RtPath> roots, std::chrono::milliseconds interval)
    : m_session(session), m_roots(std::move(roots)), m_interval(interval), m_reader(session)
  {}

  LiveView::~LiveView() { close(); }

  void LiveView::start()
  {
    m_watcher = std::make_unique<ComponentWatcher>(m_session.orb().orb(), m_session.orb().poa(),
                                                   [this](const WatchEvent& event) { onEvent(event); });
    pass();
    m_thread = std::thread([this] { run(); });
  }

  void LiveView::close()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_closed = true;
    }
    m_wake.notify_all();
    m_streams.close();
    if (m_thread.joinable())
      m_thread.join();
    // Detaches every observer, so that no component keeps calling a server that is gone.
    m_watcher.reset();
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

  unsigned long LiveView::nextTicket()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ++m_lastTicket;
  }

  void LiveView::refresh(const std::string& key)
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_view.component(key) == nullptr)
        return;
    }
    const unsigned long ticket = nextTicket();
    SystemView::Component fresh = m_reader.readComponent(RtPath::parse(key, Session::defaultServer()));
    std::lock_guard<std::mutex> lock(m_mutex);
    store(std::move(fresh), ticket);
    publishLocked();
  }

  void LiveView::onEvent(const WatchEvent& event)
  {
    // Heartbeats only keep the observer counted as alive.
    if (event.kind == "HEARTBEAT")
      return;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_changed.insert(event.component);
    }
    m_wake.notify_all();
  }

  void LiveView::run()
  {
    auto nextPass = std::chrono::steady_clock::now() + m_interval;
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_closed)
    {
      const auto until = std::min(nextPass, std::chrono::steady_clock::now() + kObserverCheck);
      m_wake.wait_until(lock, until, [this] { return m_closed || !m_changed.empty(); });
      if (m_closed)
        break;
      std::set<std::string> changed;
      changed.swap(m_changed);
      lock.unlock();
      for (const std::string& key : changed)
        refresh(key);
      checkObservers();
      if (std::chrono::steady_clock::now() >= nextPass)
      {
        pass();
        nextPass = std::chrono::steady_clock::now() + m_interval;
      }
      lock.lock();
    }
  }

  void LiveView::pass()
  {
    const unsigned long ticket = nextTicket();
    SystemView fresh = m_reader.read(m_roots, [this](const std::string& key) { return m_observed.count(key) == 0; });
    reportRootProblems(fresh);
    const std::vector<std::string> keys = fresh.inTreeOrder(SystemView::Node::kComponent);
    const std::set<std::string> present(keys.begin(), keys.end());
    std::vector<std::string> read;
    std::vector<std::string> gone;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_view.roots = std::move(fresh.roots);
      m_view.managers = std::move(fresh.managers);
      // Components whose names went away leave the view; the others are merged one by one.
      for (auto it = m_view.components.begin(); it != m_view.components.end();)
      {
        if (present.count(it->first) != 0)
        {
          ++it;
          continue;
        }
        gone.push_back(it->first);
        m_tickets.erase(it->first);
        it = m_view.components.erase(it);
      }
      for (auto& entry : fresh.components)
      {
        if (answers(entry.second))
          read.push_back(entry.first);
        store(std::move(entry.second), ticket);
      }
      publishLocked();
    }
    for (const std::string& key : gone)
    {
      if (m_observed.erase(key) != 0)
        m_watcher->detach(key);
      m_refused.erase(key);
    }
    observe(read);
  }

  void LiveView::observe(const std::vector<std::string>& keys)
  {
    for (const std::string& key : keys)
    {
      if (m_observed.count(key) != 0 || m_refused.count(key) != 0)
        continue;
      try
      {
        const RtPath path = RtPath::parse(key, Session::defaultServer());
        const ComponentRef component(m_session.names(path), path);
        if (m_watcher->attach(key, component.ref()) == ComponentWatcher::kRefused)
        {
          m_refused.insert(key);
          continue;
        }
        m_observed.insert(key);
        // What changed between the read and the attachment was heard by nobody.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_changed.insert(key);
      }
      catch (const Error&)
      {
        // Gone again, or its name moved: the next pass polls it and tries again.
      }
      catch (const CORBA::Exception&)
      {}
    }
  }

  void LiveView::checkObservers()
  {
    for (auto it = m_observed.begin(); it != m_observed.end();)
    {
      if (!m_watcher->silent(*it))
      {
        ++it;
        continue;
      }
      const std::string key = *it;
      it = m_observed.erase(it);
      m_watcher->forget(key);
      refresh(key);
    }
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
    nlohmann::json json = ViewJson::of(m_view);
    std::string viewJson = JsonText::dump(json);
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
    m_snapshot = JsonText::dump(json);
    m_streams.publish({"system", m_snapshot});
  }

  void LiveView::reportRootProblems(const SystemView& view)
  {
    // One line when a naming service stops answering and one when it is back, not one a pass.
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
