#include "manager/PortProbe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace rtm
{
  namespace
  {
    bool connects(const addrinfo& address, int timeoutMs)
    {
      const int fd =
        ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
      if (fd < 0)
        return false;
      bool ok = ::connect(fd, address.ai_addr, address.ai_addrlen) == 0;
      if (!ok && errno == EINPROGRESS)
      {
        pollfd pfd = {fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        ok =
          ::poll(&pfd, 1, timeoutMs) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
      }
      ::close(fd);
      return ok;
    }
  }

  bool acceptsConnections(const std::string& hostPort, int timeoutMs)
  {
    const auto colon = hostPort.rfind(':');
    if (colon == std::string::npos || colon + 1 == hostPort.size())
      return false;
    std::string host = hostPort.substr(0, colon);
    if (host.size() > 1 && host.front() == '[' && host.back() == ']')
      host = host.substr(1, host.size() - 2);  // a bracketed IPv6 literal
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.empty() ? "localhost" : host.c_str(), hostPort.substr(colon + 1).c_str(), &hints, &found) !=
        0)
      return false;
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> addresses(found, ::freeaddrinfo);
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next)
      if (connects(*a, timeoutMs))
        return true;
    return false;
  }
}
