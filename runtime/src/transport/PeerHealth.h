// Which peer processes stopped answering, shared by every connection of this process.
//
// When one call to a peer's address times out or cannot reach it, every other connection to the
// same address gives up at once instead of waiting out a timeout of its own: a component writing
// to three ports of one frozen peer then loses one call timeout, not three.
#pragma once

#include <omniORB4/CORBA.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace rtm
{
  class PeerHealth
  {
  public:
    // A call to this address found it unreachable now.
    void markUnreachable() noexcept { m_failures.fetch_add(1, std::memory_order_acq_rel); }
    // How often the address was found unreachable so far: a generation, not a time, so that
    // "after this connection was made" holds however close together the two happen.
    std::uint64_t failures() const noexcept { return m_failures.load(std::memory_order_acquire); }

  private:
    std::atomic<std::uint64_t> m_failures{0};
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
    explicit PeerWatch(CORBA::Object_ptr ref)
      : m_health(peerHealthOf(ref)), m_failuresBefore(m_health ? m_health->failures() : 0)
    {}
    bool knownUnreachable() const noexcept { return m_health && m_health->failures() != m_failuresBefore; }
    // Records what a failed call says about the address.
    void failed(const CORBA::SystemException& e) noexcept
    {
      if (m_health && meansUnreachable(e))
        m_health->markUnreachable();
    }

  private:
    std::shared_ptr<PeerHealth> m_health;
    std::uint64_t m_failuresBefore;
  };
}
