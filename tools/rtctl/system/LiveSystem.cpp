#include "system/LiveSystem.h"

#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/PathUri.h"

#include <omniORB4/CORBA.h>
#include <omnithread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace rtctl
{
  std::string LiveSystem::Member::shown() const { return PathUri::shown(saved->pathUri); }

  const ComponentRef::Port* LiveSystem::Member::port(const std::string& name) const
  {
    for (const ComponentRef::Port& p : ports)
      if (p.info.shortName() == name || p.info.fullName() == name)
        return &p;
    return nullptr;
  }

  namespace
  {
    typedef std::chrono::steady_clock Clock;

    // The lookups of one file: which member is next, and the naming services found silent, so
    // that the members behind one are told at once instead of each waiting out its own bound.
    class Lookups
    {
    public:
      Lookups(Session& session, std::vector<LiveSystem::Member>& members, unsigned long deadlineMs)
        : m_session(session), m_members(members), m_deadlineMs(deadlineMs),
          m_deadline(Clock::now() + std::chrono::milliseconds(deadlineMs))
      {}

      void work()
      {
        // The ORB keeps per-thread call bounds only for threads it knows.
        omni_thread::ensure_self self;
        for (size_t i = m_next++; i < m_members.size(); i = m_next++)
          lookUp(m_members[i]);
      }

    private:
      void lookUp(LiveSystem::Member& member)
      {
        RtPath path;
        try
        {
          path = PathUri::toPath(member.saved->pathUri);
        }
        catch (const Error& e)
        {
          member.problem = e.what();
          return;
        }
        const std::string silence = silent(path.server());
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
        if (!silence.empty() || left <= 0)
        {
          member.unknown = true;
          member.problem = silence.empty() ? "not looked up: the lookups' deadline (" +
                                               std::to_string(m_deadlineMs / 1000) + " s) had passed"
                                           : silence;
          return;
        }
        omniORB::setClientThreadCallTimeout(
          static_cast<CORBA::ULong>(std::min<long long>(left, static_cast<long long>(Orb::kCallTimeoutMs))));
        try
        {
          member.ref = std::make_unique<ComponentRef>(m_session.names(path), path);
          member.ports = member.ref->ports();
        }
        catch (const UnansweredError& e)
        {
          member.ref.reset();
          member.unknown = true;
          member.problem = e.what();
          std::lock_guard<std::mutex> lock(m_mutex);
          m_silent.emplace(path.server(), e.what());
        }
        catch (const Error& e)
        {
          member.ref.reset();
          member.problem = e.what();
        }
        catch (const CORBA::Exception& e)
        {
          // Nothing may leave a lookup thread: it would end the process.
          member.ref.reset();
          member.problem = member.shown() + " " + CorbaText::exception(e);
        }
        omniORB::setClientThreadCallTimeout(static_cast<CORBA::ULong>(Orb::kCallTimeoutMs));
      }

      std::string silent(const std::string& server)
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_silent.find(server);
        return found == m_silent.end() ? std::string() : found->second;
      }

      Session& m_session;
      std::vector<LiveSystem::Member>& m_members;
      const unsigned long m_deadlineMs;
      const Clock::time_point m_deadline;
      std::atomic<size_t> m_next{0};
      std::mutex m_mutex;
      std::map<std::string, std::string> m_silent;
    };
  }

  LiveSystem::LiveSystem(Session& session, const SystemProfile& profile, unsigned long deadlineMs)
  {
    for (const SavedComponent& saved : profile.components)
      m_members.push_back(Member{&saved, nullptr, std::string(), false, {}});
    Lookups lookups(session, m_members, deadlineMs);
    std::vector<std::thread> threads;
    const size_t count = std::min(kLookupThreads, m_members.size());
    for (size_t i = 1; i < count; ++i)
      threads.emplace_back([&lookups] { lookups.work(); });
    lookups.work();
    for (std::thread& thread : threads)
      thread.join();
  }

  size_t LiveSystem::unknownCount() const
  {
    size_t count = 0;
    for (const Member& m : m_members)
      count += m.unknown ? 1 : 0;
    return count;
  }

  const LiveSystem::Member& LiveSystem::member(const std::string& pathUri) const
  {
    for (const Member& m : m_members)
      if (m.saved->pathUri == pathUri)
        return m;
    // The reader only accepts connector ends that name one of the file's components.
    throw Error("no component " + PathUri::shown(pathUri) + " in the system file");
  }

  std::vector<const LiveSystem::Member*> LiveSystem::startOrder() const
  {
    std::vector<const Member*> order;
    for (const Member& m : m_members)
      if (m.saved->isRequired)
        order.push_back(&m);
    for (const Member& m : m_members)
      if (!m.saved->isRequired)
        order.push_back(&m);
    return order;
  }

  void LiveSystem::requireComponents(std::ostream& warnings) const
  {
    std::string first;
    size_t missing = 0;
    for (const Member& m : m_members)
    {
      if (m.ref)
        continue;
      if (!m.saved->isRequired)
      {
        warnings << "warning: skipping optional component " << m.shown() << ": " << m.problem << '\n';
        continue;
      }
      if (missing++ == 0)
        first = m.unknown ? "cannot tell whether required component " + m.shown() + " runs: " + m.problem
                          : "required component " + m.shown() + " is not running: " + m.problem;
    }
    if (missing > 1)
      first += " (and " + std::to_string(missing - 1) + " more required components)";
    if (missing > 0)
      throw Error(first);
  }

  const ComponentRef::Port* LiveSystem::port(const SavedConnector& connector, const SavedPortEnd& end) const
  {
    const Member& m = member(end.pathUri);
    if (!m.ref)
      return nullptr;
    const ComponentRef::Port* found = m.port(end.shortName());
    if (found == nullptr)
      found = m.port(end.portName);
    if (found != nullptr)
      return found;
    std::string known;
    for (const ComponentRef::Port& p : m.ports)
      known += (known.empty() ? "" : ", ") + p.info.shortName();
    throw Error("rts:DataPortConnectors '" + connector.name + "' (" + connector.connectorId + "): no port '" +
                end.shortName() + "' on " + m.shown() +
                (known.empty() ? std::string(" (it has no ports)") : " (its ports: " + known + ")"));
  }

  std::string LiveSystem::shown(const SavedConnector& connector)
  {
    return PathUri::shown(connector.source.pathUri) + ":" + connector.source.shortName() + " -> " +
           PathUri::shown(connector.target.pathUri) + ":" + connector.target.shortName() + " (" +
           connector.connectorId + ")";
  }
}
