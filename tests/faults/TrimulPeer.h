// The other side of a Trimul under fault: one output wired to Trimul's "x1" and three inputs
// wired to "y1", "y2", "y3", connected by raw CORBA calls as a tool would connect them. It keeps
// per-output counts of what comes back, so a test can tell "samples still flow" from "they
// stopped", and "all arrived" from "some were lost".
#pragma once

#include "testsupport/TimedLongPeer.h"

#include <array>
#include <atomic>
#include <string>

namespace faults
{
  struct PeerOptions
  {
    std::string subscription = "flush";  // for y1..y3 -> our inputs; x1 is always flush
    std::string callTimeout;  // seconds, per connection; empty: the port default
    CORBA::Long first = 1;  // the first value sent; ours are [first, first + kSpan)
  };

  // What one of our inputs has seen. Values are decoded back to the x they came from; a value
  // outside our own range comes from another peer of the same Trimul (outputs fan out).
  struct OutputTally
  {
    std::atomic<long> mine{0};
    std::atomic<long> others{0};
    std::atomic<long> bad{0};  // not a multiple of the factor: corrupted on the way
    std::atomic<long> gaps{0};  // values of ours skipped over
    std::atomic<long> disorder{0};  // values of ours that came again or too late
    std::atomic<long> lastMine{0};  // the last x of ours seen; first - 1 before any
  };

  class TrimulPeer
  {
  public:
    static constexpr CORBA::Long kSpan = 4000000;
    static constexpr std::array<CORBA::Long, 3> kFactors{{2, 10, 100}};

    TrimulPeer(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa, const PeerOptions& options);
    ~TrimulPeer();
    TrimulPeer(const TrimulPeer&) = delete;
    TrimulPeer& operator=(const TrimulPeer&) = delete;

    // Makes the four connections to the component at `trimul` and activates it; false (with the
    // reason in `problem`) if any step failed, in which case nothing stays connected.
    bool connect(RTC::RTObject_ptr trimul, std::string& problem);
    // Whether Trimul still holds all four of our connections (asks it; false if it cannot answer).
    bool connectedOnBothSides();
    // Drops our connections; the peer's side is told where it still answers.
    void disconnect();

    // Sends the next value of our range; false if it did not reach Trimul.
    bool sendNext();
    CORBA::Long lastSent() const { return m_next - 1; }
    long sent() const { return m_sent.load(); }
    long sendFailures() const { return m_sendFailures.load(); }

    // Reads what has arrived on the three inputs into the tallies; true if anything came.
    bool drainInputs();
    const OutputTally& tally(size_t output) const { return m_tallies[output]; }
    // The lowest "last x of ours" over the three outputs: every value up to it made the trip.
    CORBA::Long lastReturned() const;

    // Takes the ports down; no ORB call reaches them afterwards.
    void shutdown();

  private:
    void count(size_t output, CORBA::Long value);

    PeerOptions m_options;
    PortableServer::POA_var m_poa;
    // Never initialised: it gives the ports an owner, a name and a POA, and runs no execution
    // context, so the only threads are the ORB's and the program's own.
    testsupport::TimedLongPeer m_ports;

    RTC::PortService_var m_x1;
    std::array<RTC::PortService_var, 3> m_ys;
    std::array<std::string, 4> m_ids;  // x1, y1, y2, y3

    CORBA::Long m_next;
    std::atomic<long> m_sent{0};
    std::atomic<long> m_sendFailures{0};
    std::array<OutputTally, 3> m_tallies;
  };
}
