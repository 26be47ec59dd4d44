// A system file's data connections against the running system: which of them exist (by
// connector id, joining the same two ports), restoring the missing ones with their saved ids
// and properties, removing them, and telling how they differ.
#pragma once

#include "client/SystemProfile.h"
#include "client/PortConnector.h"
#include "system/LiveSystem.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace rtctl
{
  class SystemConnections
  {
  public:
    struct Link
    {
      const SavedConnector* saved;
      // Null when the component is an optional one that is not running.
      const ComponentRef::Port* source;
      const ComponentRef::Port* target;
      // Why a port it names cannot be had on a running component; empty when both can.
      std::string problem;
      bool live() const { return source != nullptr && target != nullptr && problem.empty(); }
    };

    enum Presence
    {
      kAbsent,  // no connector with that id on either port
      kPresent,  // the connector joins the two ports
      kConflict,  // a connector with that id joins something else
    };

    SystemConnections(const LiveSystem& system, const SystemProfile& profile);

    // Throws Error naming the connector when a running component lacks a port it names.
    void requirePorts() const;
    // requirePorts(), and Error for a connection that cannot be restored: ports of the wrong
    // direction or data type, or its id already used by another connection.
    void checkRestorable() const;
    // Each step on its own line in `out`; a refusal on `err`. False when any failed.
    bool connectAll(std::ostream& out, std::ostream& err) const;
    bool disconnectAll(std::ostream& out, std::ostream& err) const;
    // Missing, changed or conflicting connections, and connections between the file's ports that
    // the file does not have.
    std::vector<std::string> differences() const;

  private:
    // The connector with the link's id on its source port (else its target), or null.
    static RTC::ConnectorProfile* find(const Link& link, Presence* presence);
    static std::string skipped(const Link& link);
    static PortConnector::Properties connectionProperties(const Link& link);
    // Runs `step` for each link whose ports are all running, with whether its connector is
    // there; a step's Error is reported on `err` as "<doing> <link>: ..." and the rest go on.
    bool eachLink(const char* doing, std::ostream& err, const std::function<void(const Link&, Presence)>& step) const;

    const LiveSystem& m_system;
    std::vector<Link> m_links;
  };
}
