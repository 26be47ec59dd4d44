#include "web/GuardedServer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace rtctl
{
  namespace
  {
    // The connection the calling worker serves, and whether its last answer ends it.
    thread_local ConnectionStream* tCurrent = nullptr;
    thread_local bool tCloseAfterAnswer = false;

    // Closes after the answer has left: the client is told no more will come (FIN), and what it
    // still sends is read away for a short while, since closing on unread octets resets the
    // connection and may destroy the answer before the client reads it. The bounds keep a client
    // that goes on sending from holding the worker.
    void lingerAndClose(int socket)
    {
      ::shutdown(socket, SHUT_WR);
      const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
      size_t drained = 0;
      char sink[4096];
      timeval bound{0, 100 * 1000};
      ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
      while (drained < 256 * 1024 && std::chrono::steady_clock::now() < until)
      {
        const ssize_t n = ::recv(socket, sink, sizeof sink, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
          break;
        if (n > 0)
          drained += static_cast<size_t>(n);
      }
      ::close(socket);
    }
  }

  GuardedServer::GuardedServer(const Limits& limits) : m_limits(limits), m_slots(limits.connectionsPerClient) {}

  bool GuardedServer::serve()
  {
    readOneRequest();
    return listen_after_bind();
  }

  // The library builds its table of request methods, a function's static, on the first request
  // it reads; a worker that reads one later skips the guard with a check of its own code, which is
  // not instrumented, so that ThreadSanitizer sees two workers' first requests race on the table.
  // Reading one request here, before the workers start, builds it where their start orders it.
  void GuardedServer::readOneRequest()
  {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0)
      return;
    const std::string request = "NONE / HTTP/1.1\r\n\r\n";
    if (::send(ends[1], request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()))
    {
      ConnectionStream stream(ends[0], m_limits.connection, [] { return true; });
      bool closed = false;
      process_request(stream, true, closed, nullptr);
    }
    ::close(ends[0]);
    ::close(ends[1]);
  }

  void GuardedServer::closeAfterAnswer() { tCloseAfterAnswer = true; }

  ConnectionStream::Overrun GuardedServer::currentOverrun()
  {
    return tCurrent == nullptr ? ConnectionStream::Overrun::kNone : tCurrent->overrun();
  }

  bool GuardedServer::overrunAnswer(ConnectionStream::Overrun overrun, int& status, std::string& line) const
  {
    const ConnectionStream::Limits& bound = m_limits.connection;
    switch (overrun)
    {
      case ConnectionStream::Overrun::kHeadTooLarge:
        status = 431;
        line = "the request's head is too large: send at most " + std::to_string(bound.headLines) +
               " header lines and " + std::to_string(bound.headBytes) + " octets";
        return true;
      case ConnectionStream::Overrun::kBodyTooLarge:
        status = 413;
        line = "a request body may hold at most " + std::to_string(bound.bodyBytes) + " octets";
        return true;
      case ConnectionStream::Overrun::kTimedOut:
        status = 408;
        line = "the request did not arrive within " +
               std::to_string(std::chrono::duration_cast<std::chrono::seconds>(bound.request).count()) + " s";
        return true;
      case ConnectionStream::Overrun::kNone:
        break;
    }
    return false;
  }

  bool GuardedServer::process_and_close_socket(int socket)
  {
    // The library says it runs until its workers have ended; its listening socket is gone at once.
    ConnectionStream stream(socket, m_limits.connection, [this] { return svr_sock_ != INVALID_SOCKET; });
    std::string address;
    int port = 0;
    stream.get_remote_ip_and_port(address, port);
    if (!m_slots.take(address))
    {
      stream.refuse(503, "too many connections from " + address + " (" + std::to_string(m_slots.perClient()) +
                           " at once): close some, or wait for them to end");
      lingerAndClose(socket);
      return true;
    }

    tCurrent = &stream;
    tCloseAfterAnswer = false;
    bool linger = false;
    for (size_t served = 0; served < m_limits.requestsPerConnection; ++served)
    {
      if (!stream.awaitRequest(m_limits.idle))
        break;
      stream.startRequest();
      bool clientCloses = false;
      const bool ok = process_request(stream, served + 1 == m_limits.requestsPerConnection, clientCloses, nullptr);
      // The library leaves a request whose line went over a bound unanswered.
      int status;
      std::string line;
      if (!stream.answered() && overrunAnswer(stream.overrun(), status, line))
        stream.refuse(status, line);
      linger = tCloseAfterAnswer || stream.overrun() != ConnectionStream::Overrun::kNone;
      if (!ok || clientCloses || linger)
        break;
    }
    tCurrent = nullptr;
    tCloseAfterAnswer = false;
    m_slots.give(address);
    if (linger)
    {
      lingerAndClose(socket);
    }
    else
    {
      ::shutdown(socket, SHUT_RDWR);
      ::close(socket);
    }
    return true;
  }
}
