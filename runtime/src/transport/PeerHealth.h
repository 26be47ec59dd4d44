// Which peer processes stopped answering, shared by every connection of this process.
//
// When one call to a peer's address times out or cannot reach it, every other connection to the
// same address gives up at once instead of waiting out a timeout of its own: a component writing
// to three ports of one frozen peer then loses one call timeout, not three.
#pragma once

#include <omniORB4/CORBA.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace rtm
{
  using PeerClock = std::chrono::steady_clock;

  class PeerHealth
  {
  public:
    // A call to this address found it unreachable now.
    void markUnreachable() noexcept;
    // Whether the address was found unreachable at or after `since`.
    bool unreachableSince(PeerClock::time_point since) const noexcept;

  private:
    std::atomic<PeerClock::rep> m_lastFailure{PeerClock::time_point::min().time_since_epoch().count()};
  };

  // The record of the address `ref` is served at ("host:port" of its first IIOP profile), shared
  // with every other reference to that address; null for a reference without one.
  std::shared_ptr<PeerHealth> peerHealthOf(CORBA::Object_ptr ref);

  // The address of `ref` as peerHealthOf keys it; empty if it has no IIOP profile.
  std::string peerAddressOf(CORBA::Object_ptr ref);

  // Whether a call that raised `e` says the peer's process cannot be reached (a timeout, a
  // refused or broken connection), rather than that one object of it is gone or refused the call.
  bool meansUnreachable(const CORBA::SystemException& e) noexcept;

  // One connection's view of its peer's address: the connection counts as lost once the address
  // was found unreachable after the connection was made.
  class PeerWatch
  {
  public:
    explicit PeerWatch(CORBA::Object_ptr ref) : m_health(peerHealthOf(ref)), m_since(PeerClock::now()) {}
    bool knownUnreachable() const noexcept { return m_health && m_health->unreachableSince(m_since); }
    // Records what a failed call says about the address.
    void failed(const CORBA::SystemException& e) noexcept
    {
      if (m_health && meansUnreachable(e))
        m_health->markUnreachable();
    }

  private:
    std::shared_ptr<PeerHealth> m_health;
    PeerClock::time_point m_since;
  };
}
