// A system file's components found in the running system: each one's reference and ports, or
// why it cannot be had. Every command that acts on a file resolves it here first, so that the
// checks (a required component missing, a port that does not exist) come before any change.
// The lookups run side by side under one deadline: a file of many components on a naming service
// that takes connections but never answers costs about one call's bound, not one per component.
#pragma once

#include "client/ComponentRef.h"
#include "client/Orb.h"
#include "client/Session.h"
#include "client/SystemProfile.h"

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
      std::string problem;  // why not, when it is not
      bool unknown = false;  // no answer: whether it runs cannot be told
      std::vector<ComponentRef::Port> ports;

      // "/127.0.0.1:2809/host.host_cxt/Trimul0.rtc"
      std::string shown() const;
      // The live port with that short name, or nullptr.
      const ComponentRef::Port* port(const std::string& name) const;
    };

    // Asks the naming services of the file's components; never throws for a component that
    // cannot be had (that is recorded in its Member). Every lookup ends by `deadlineMs` after
    // the start; one not made by then is recorded as unknown.
    LiveSystem(Session& session, const SystemProfile& profile, unsigned long deadlineMs = kDeadlineMs);

    // One call's bound and the time to open its connection: enough for every lookup that is
    // answered at all, since they run side by side.
    static constexpr unsigned long kDeadlineMs = Orb::kCallTimeoutMs + Orb::kConnectTimeoutMs;
    static constexpr size_t kLookupThreads = 16;

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

    // The members whose state cannot be told.
    size_t unknownCount() const;

  private:
    std::vector<Member> m_members;
  };
}
