// The HTTP server of the web view: the library's server, with each connection read through a
// ConnectionStream (bounded heads, bodies and time) and a bound on the connections one client
// address holds at once. A connection over its client's bound is answered 503 at once and
// closed; one whose request goes over a bound is answered with the bound it broke, and closed
// without reading the rest.
#pragma once

#include "web/ClientSlots.h"
#include "web/ConnectionStream.h"

#include <httplib.h>

namespace rtctl
{
  class GuardedServer : public httplib::Server
  {
  public:
    struct Limits
    {
      ConnectionStream::Limits connection;
      std::chrono::milliseconds idle;  // between two requests on one connection
      size_t requestsPerConnection;
      size_t connectionsPerClient;
    };

    explicit GuardedServer(const Limits& limits);
    const Limits& limits() const { return m_limits; }
    // Serves until stop(), as listen_after_bind() does, after reading one request of its own.
    bool serve();

    // For the handlers, which run on the worker that serves their connection: the request's
    // answer is the last on its connection (the rest of what the client sent is not read).
    static void closeAfterAnswer();
    // The bound the current request broke (kNone for none, or outside a connection's worker).
    static ConnectionStream::Overrun currentOverrun();
    // The status and the one line that answer a request that broke `overrun`; false for kNone.
    bool overrunAnswer(ConnectionStream::Overrun overrun, int& status, std::string& line) const;

  private:
    bool process_and_close_socket(int socket) override;
    void readOneRequest();

    const Limits m_limits;
    ClientSlots m_slots;
  };
}
