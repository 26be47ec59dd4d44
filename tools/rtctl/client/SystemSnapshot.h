// Reads a running system into a SystemProfile: every component under the paths given (a
// component, or a naming context walked to every depth), its data ports, configuration sets and
// execution contexts, and every data connection between two of those components. A named object
// that does not answer is left out with a warning; so is a connection to a port outside the
// components found, which a file could not restore. The managers bound on the way (NAME.mgr, as
// a master binds itself) are noted, for a picture that shows them.
#pragma once

#include "client/ComponentRef.h"
#include "client/NameWalk.h"
#include "client/Session.h"
#include "client/SystemProfile.h"

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace rtctl
{
  class SystemSnapshot
  {
  public:
    SystemSnapshot(Session& session, std::ostream& warnings) : m_session(session), m_warnings(warnings) {}

    // Throws Error when the path cannot be read at all (no naming service, no such name).
    void add(const std::string& pathText);
    // The components added so far and the connections among them.
    SystemProfile profile() const;
    // Each component's state in its first execution context, by path URI.
    const std::map<std::string, std::string>& states() const { return m_states; }
    bool empty() const { return m_found.empty(); }
    // Each component found: its path URI and reference.
    std::vector<std::pair<std::string, CORBA::Object_var>> components() const;
    // The managers bound under the paths added, in the order found.
    const std::vector<RtPath>& managers() const { return m_managers; }

  private:
    struct Found
    {
      SavedComponent saved;
      ComponentRef ref;
      std::vector<ComponentRef::Port> ports;
    };

    void addContext(NameService& names, const RtPath& path);
    void addTree(const NameWalk::Node& node);
    void addComponent(const ComponentRef& ref);
    void readConfiguration(const ComponentRef& ref, SavedComponent& saved) const;
    void readContexts(const ComponentRef& ref, SavedComponent& saved) const;
    void addConnectors(const Found& found, const ComponentRef::Port& port, SystemProfile& profile) const;
    // The component and port among those found that `port` is, or nullptr.
    const Found* owner(RTC::PortService_ptr port, const ComponentRef::Port** found) const;

    Session& m_session;
    std::ostream& m_warnings;
    std::vector<Found> m_found;
    std::map<std::string, std::string> m_states;
    std::vector<RtPath> m_managers;
  };
}
