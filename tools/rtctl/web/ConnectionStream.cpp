#include "web/ConnectionStream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace rtctl
{
  namespace
  {
    const char* reasonPhrase(int status)
    {
      switch (status)
      {
        case 400:
          return "Bad Request";
        case 403:
          return "Forbidden";
        case 408:
          return "Request Timeout";
        case 413:
          return "Payload Too Large";
        case 431:
          return "Request Header Fields Too Large";
        case 503:
          return "Service Unavailable";
        default:
          return "Error";
      }
    }

    // Waits for `events` on the socket for at most `wait` (none: look once); true when they came.
    bool await(int socket, short events, std::chrono::milliseconds wait)
    {
      pollfd one{socket, events, 0};
      int ready;
      do
        ready = ::poll(&one, 1, static_cast<int>(std::max<long long>(0, wait.count())));
      while (ready < 0 && errno == EINTR);
      return ready > 0;
    }

    void addressOf(const sockaddr_storage& address, std::string& ip, int& port)
    {
      char text[INET6_ADDRSTRLEN] = "";
      if (address.ss_family == AF_INET)
      {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
      }
      else if (address.ss_family == AF_INET6)
      {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
      }
      ip = text;
    }
  }

  ConnectionStream::ConnectionStream(int socket, const Limits& limits, std::function<bool()> running)
    : m_socket(socket), m_limits(limits), m_running(std::move(running))
  {
    startRequest();
  }

  bool ConnectionStream::awaitRequest(std::chrono::milliseconds idle)
  {
    return fill(std::chrono::steady_clock::now() + idle);
  }

  void ConnectionStream::startRequest()
  {
    m_deadline = std::chrono::steady_clock::now() + m_limits.request;
    m_inHead = true;
    m_headBytes = 0;
    m_headLines = 0;
    m_lineLength = 0;
    m_bodyBytes = 0;
    m_answered = false;
  }

  bool ConnectionStream::fill(std::chrono::steady_clock::time_point until)
  {
    // In slices, to look at whether the server stops.
    const auto slice = std::chrono::milliseconds(100);
    while (m_begin == m_end)
    {
      if (!m_running())
        return false;
      const auto now = std::chrono::steady_clock::now();
      if (now >= until)
        return false;
      if (await(m_socket, POLLIN, std::min(std::chrono::ceil<std::chrono::milliseconds>(until - now), slice)))
        break;
    }
    if (m_begin != m_end)
      return true;
    ssize_t n;
    do
      n = ::recv(m_socket, m_buffer, sizeof m_buffer, 0);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
      return false;
    m_begin = 0;
    m_end = static_cast<size_t>(n);
    return true;
  }

  bool ConnectionStream::takeHeadOctet(char octet)
  {
    if (++m_headBytes > m_limits.headBytes)
      return false;
    if (octet == '\r')
      return true;
    if (octet != '\n')
    {
      ++m_lineLength;
      return true;
    }
    // An empty line ends the head; what follows is the body.
    if (m_lineLength == 0)
    {
      m_inHead = false;
      return true;
    }
    m_lineLength = 0;
    return ++m_headLines <= m_limits.headLines;
  }

  ssize_t ConnectionStream::read(char* ptr, size_t size)
  {
    if (m_overrun != Overrun::kNone)
      return -1;
    if (!fill(m_deadline))
    {
      if (std::chrono::steady_clock::now() >= m_deadline)
        m_overrun = Overrun::kTimedOut;
      return -1;
    }
    size_t n = std::min(size, m_end - m_begin);
    if (m_inHead)
    {
      size_t taken = 0;
      while (taken < n && m_inHead)
        if (!takeHeadOctet(m_buffer[m_begin + taken++]))
        {
          m_overrun = Overrun::kHeadTooLarge;
          return -1;
        }
      if (!m_inHead)
        m_bodyBytes += n - taken;
    }
    else
    {
      m_bodyBytes += n;
    }
    if (m_bodyBytes > m_limits.bodyBytes)
    {
      m_overrun = Overrun::kBodyTooLarge;
      return -1;
    }
    std::memcpy(ptr, m_buffer + m_begin, n);
    m_begin += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t ConnectionStream::write(const char* ptr, size_t size)
  {
    m_answered = true;
    if (!await(m_socket, POLLOUT, m_limits.write))
      return -1;
    ssize_t n;
    do
      n = ::send(m_socket, ptr, size, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return n;
  }

  bool ConnectionStream::is_readable() const
  {
    if (m_begin != m_end)
      return true;
    const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - std::chrono::steady_clock::now());
    return left.count() > 0 && await(m_socket, POLLIN, left);
  }

  bool ConnectionStream::is_writable() const { return await(m_socket, POLLOUT, m_limits.write); }

  void ConnectionStream::refuse(int status, const std::string& line)
  {
    const std::string body = line + "\n";
    const std::string text =
      "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status) +
      "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
      "\r\nConnection: close\r\n\r\n" + body;
    size_t sent = 0;
    while (sent < text.size())
    {
      const ssize_t n = write(text.data() + sent, text.size() - sent);
      if (n <= 0)
        return;
      sent += static_cast<size_t>(n);
    }
  }

  void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const
  {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      addressOf(address, ip, port);
  }

  void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const
  {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      addressOf(address, ip, port);
  }
}
