// A system file's components found in the running system: each one's reference and ports, or
// why it cannot be had. Every command that acts on a file resolves it here first, so that the
// checks (a required component missing, a port that does not exist) come before any change.
#pragma once

#include "ComponentRef.h"
#include "Session.h"
#include "SystemProfile.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace rtctl
{
  class LiveSystem
  {
  public:
    struct Member
    {
      const SavedComponent* saved;
      std::unique_ptr<ComponentRef> ref;  // null when it is not running
      std::string problem;                // why not, when it is not
      std::vector<ComponentRef::Port> ports;

      // "/127.0.0.1:2809/host.host_cxt/Trimul0.rtc"
      std::string shown() const;
      // The live port with that short name, or nullptr.
      const ComponentRef::Port* port(const std::string& name) const;
    };

    // Asks the naming services of the file's components; never throws for a component that
    // cannot be had (that is recorded in its Member).
    LiveSystem(Session& session, const SystemProfile& profile);

    const std::vector<Member>& members() const { return m_members; }
    const Member& member(const std::string& pathUri) const;
    // Required components first, each group in file order: the order to start and stop them.
    std::vector<const Member*> startOrder() const;

    // Throws Error for a required component that is not running; writes a warning line for each
    // optional one that is not.
    void requireComponents(std::ostream& warnings) const;
    // The live port a connector end names; nullptr when its component is not running. Throws
    // Error naming the connector when the component runs without such a port.
    const ComponentRef::Port* port(const SavedConnector& connector, const SavedPortEnd& end) const;

    // "/A.rtc:y1 -> /B.rtc:x1 (ID)" for messages.
    static std::string shown(const SavedConnector& connector);

  private:
    std::vector<Member> m_members;
  };
}
