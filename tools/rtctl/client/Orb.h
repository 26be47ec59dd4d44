// The process's one ORB. Every call through it is bounded, so that a hung peer or a vanished
// host costs a known time and a clear message instead of a hang.
//
// Client-only commands never activate the POA, so they open no listening socket. Commands that
// serve a local component (inject, print) do, on RTCTL_ENDPOINT (an address, or address:port) if
// set, else on omniORB's default endpoint: every interface, so that a peer on another host can
// reach the local component. With a certificate (TlsOptions) both are TLS only.
#pragma once

#include <omniORB4/CORBA.h>

namespace rtctl
{
  class Orb
  {
  public:
    enum Mode
    {
      kClientOnly,
      kServing,
    };

    explicit Orb(Mode mode);
    ~Orb();
    Orb(const Orb&) = delete;
    Orb& operator=(const Orb&) = delete;

    CORBA::ORB_ptr orb() const { return m_orb.in(); }
    // Nil for a client-only ORB.
    PortableServer::POA_ptr poa() const { return m_poa.in(); }
    // Whether it speaks TLS (rtctl was given a certificate), and then serves over TLS only.
    bool tls() const { return m_tls; }

    // Bound on any one remote call, and on opening a connection.
    static const unsigned long kCallTimeoutMs = 15000;
    static const unsigned long kConnectTimeoutMs = 3000;

  private:
    CORBA::ORB_var m_orb;
    PortableServer::POA_var m_poa;
    bool m_tls = false;
  };
}
