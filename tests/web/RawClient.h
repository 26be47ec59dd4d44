// A raw TCP client of the web view: a browser as the server sees it, that can vanish
// mid-stream, or a client that sends a request slowly or without end.
#pragma once

#include <chrono>
#include <string>

namespace web
{
  class RawClient
  {
  public:
    // Connects to 127.0.0.1:port, from `source` (another loopback address: another client).
    explicit RawClient(int port, const std::string& source = "");
    ~RawClient() { drop(); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void send(const std::string& text);
    // Sends what it can of `text` within the socket's bound; false once the server has closed
    // the connection (its writes fail).
    bool trySend(const std::string& text);
    // Reads until `needle` arrives after the end of the last one found (true), or the bound
    // passed: each call waits for something new.
    bool readUntil(const std::string& needle, std::chrono::milliseconds bound);
    // Reads what has arrived without waiting; true once the server has closed its side.
    bool readAvailable();
    const std::string& received() const { return m_received; }
    // Gone at once, as a closed tab or a killed browser: a reset, no orderly close.
    void drop();

  private:
    int m_fd = -1;
    std::string m_received;
    std::string::size_type m_cursor = 0;
  };
}
