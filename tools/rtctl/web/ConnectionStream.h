// One client's connection as the HTTP library reads and writes it, with the bounds the library
// keeps too loosely for a server anyone may reach: a request's head (request line and header
// lines) is read only up to a size and a number of lines, its body only up to a size, and the
// whole request must arrive before a deadline; a client that trickles octets to hold a worker
// loses its connection instead. Whatever went over a bound is kept, so that the answer can say
// which bound it was.
#pragma once

#include <httplib.h>

#include <chrono>
#include <functional>
#include <string>

namespace rtctl
{
  class ConnectionStream : public httplib::Stream
  {
  public:
    struct Limits
    {
      size_t headBytes;
      size_t headLines;
      size_t bodyBytes;
      std::chrono::milliseconds request;  // from a request's first octet to its last
      std::chrono::milliseconds write;  // for the client to take the next part of an answer
    };
    enum class Overrun
    {
      kNone,
      kHeadTooLarge,
      kBodyTooLarge,
      kTimedOut,
    };

    // Every wait for the client looks at `running` now and then, so that a stopping server is
    // not kept waiting by a slow or idle connection.
    ConnectionStream(int socket, const Limits& limits, std::function<bool()> running);

    // Waits at most `idle` for the first octet of the next request; false when none came, the
    // client closed, or the server stops.
    bool awaitRequest(std::chrono::milliseconds idle);
    // What follows is a new request: its head first, and a new deadline.
    void startRequest();
    Overrun overrun() const { return m_overrun; }
    // Whether anything was written since startRequest().
    bool answered() const { return m_answered; }
    // Writes a whole answer of one line, and says that the connection closes after it.
    void refuse(int status, const std::string& line);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    using httplib::Stream::write;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    int socket() const override { return m_socket; }

  private:
    // Fills the buffer from the socket, waiting until `until` at most.
    bool fill(std::chrono::steady_clock::time_point until);
    // Accounts one octet of the head; false when it goes over a bound.
    bool takeHeadOctet(char octet);

    const int m_socket;
    const Limits m_limits;
    const std::function<bool()> m_running;
    char m_buffer[4096];
    size_t m_begin = 0;
    size_t m_end = 0;

    std::chrono::steady_clock::time_point m_deadline;
    bool m_inHead = true;
    size_t m_headBytes = 0;
    size_t m_headLines = 0;
    size_t m_lineLength = 0;  // octets of the current line before its CR LF
    size_t m_bodyBytes = 0;
    Overrun m_overrun = Overrun::kNone;
    bool m_answered = false;
  };
}
