#include "RawClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace web
{
  RawClient::RawClient(int port, const std::string& source)
  {
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (!source.empty())
    {
      sockaddr_in from{};
      from.sin_family = AF_INET;
      ::inet_pton(AF_INET, source.c_str(), &from.sin_addr);
      EXPECT_EQ(0, ::bind(m_fd, reinterpret_cast<sockaddr*>(&from), sizeof from)) << source;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval bound{5, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    EXPECT_EQ(0, ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
  }

  void RawClient::send(const std::string& text)
  {
    EXPECT_EQ(static_cast<ssize_t>(text.size()), ::send(m_fd, text.data(), text.size(), MSG_NOSIGNAL));
  }

  bool RawClient::trySend(const std::string& text)
  {
    size_t sent = 0;
    while (sent < text.size())
    {
      const ssize_t n = ::send(m_fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
      if (n <= 0)
        return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }

  bool RawClient::readUntil(const std::string& needle, std::chrono::milliseconds bound)
  {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    char buffer[4096];
    std::string::size_type found;
    while ((found = m_received.find(needle, m_cursor)) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
    {
      const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
      if (n <= 0)
        break;
      m_received.append(buffer, static_cast<size_t>(n));
    }
    if (found == std::string::npos)
      return false;
    m_cursor = found + needle.size();
    return true;
  }

  bool RawClient::readAvailable()
  {
    char buffer[4096];
    for (;;)
    {
      const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0)
        m_received.append(buffer, static_cast<size_t>(n));
      else
        return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
    }
  }

  void RawClient::drop()
  {
    if (m_fd < 0)
      return;
    linger abort{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(m_fd);
    m_fd = -1;
  }
}
