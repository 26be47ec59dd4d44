// What `cat` and `ls -l` show of a component: its profile, its execution contexts with its state
// in each, and its ports with their connections. Reads the component through its reference; a
// part that cannot be read is shown as such rather than ending the listing.
#pragma once

#include "client/ComponentRef.h"
#include "client/NameIndex.h"

#include <ostream>
#include <string>

namespace rtctl
{
  class ProfilePrinter
  {
  public:
    // With `peers`, a connection's far end is shown with the path its component is bound under.
    explicit ProfilePrinter(bool details, NameIndex* peers = nullptr) : m_details(details), m_peers(peers) {}

    // The whole profile (cat).
    void printComponent(const ComponentRef& component, std::ostream& out) const;
    // One port (cat PATH:PORT).
    void printPort(const ComponentRef::Port& port, std::ostream& out) const;

    // "x1(in) y1(out) ..." for ls -l.
    static std::string portSummary(const ComponentRef& component);

  private:
    void printContexts(const ComponentRef& component, std::ostream& out) const;
    void printPorts(const ComponentRef& component, std::ostream& out) const;
    void printConnections(const ComponentRef::Port& port, const std::string& indent, std::ostream& out) const;

    std::string peerName(RTC::PortService_ptr peer) const;

    bool m_details;
    NameIndex* m_peers;
  };
}
