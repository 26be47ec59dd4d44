// The out side of a pull connection: each write goes into the connection's buffer, from which
// the peer takes samples through an OutPortCdr object this publisher serves.
#pragma once

#include "transport/OutPortCdrProvider.h"
#include "transport/Publisher.h"

#include <omniORB4/CORBA.h>

#include <memory>
#include <mutex>
#include <vector>

namespace rtm
{
  class PublisherPull : public Publisher
  {
  public:
    // Activates the provider in `poa`.
    PublisherPull(PortableServer::POA_ptr poa, const RingBufferOptions& options,
                  std::shared_ptr<DataEvents> events = nullptr);
    ~PublisherPull() override;

    OpenRTM::OutPortCdr_ptr reference() const { return m_ref.in(); }
    SendStatus write(const CORBA::Octet* data, std::size_t length) noexcept override;
    void shutdown() noexcept override;

  private:
    std::shared_ptr<OctetBuffer> m_buffer;
    std::mutex m_writeMutex;  // guards m_incoming
    std::vector<CORBA::Octet> m_incoming;
    PortableServer::POA_var m_poa;
    OpenRTM::OutPortCdr_var m_ref;
    bool m_shutDown = false;
  };
}
