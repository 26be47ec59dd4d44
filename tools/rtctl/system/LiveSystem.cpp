#include "LiveSystem.h"

#include "Error.h"
#include "PathUri.h"

namespace rtctl
{
  std::string LiveSystem::Member::shown() const
  {
    return PathUri::shown(saved->pathUri);
  }

  const ComponentRef::Port* LiveSystem::Member::port(const std::string& name) const
  {
    for (const ComponentRef::Port& p : ports)
      if (p.info.shortName() == name || p.info.fullName() == name)
        return &p;
    return nullptr;
  }

  LiveSystem::LiveSystem(Session& session, const SystemProfile& profile)
  {
    for (const SavedComponent& saved : profile.components)
    {
      Member member{&saved, nullptr, std::string(), {}};
      try
      {
        const RtPath path = PathUri::toPath(saved.pathUri);
        member.ref.reset(new ComponentRef(session.names(path), path));
        member.ports = member.ref->ports();
      }
      catch (const Error& e)
      {
        member.ref.reset();
        member.problem = e.what();
      }
      m_members.push_back(std::move(member));
    }
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
        first = "required component " + m.shown() + " is not running: " + m.problem;
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
