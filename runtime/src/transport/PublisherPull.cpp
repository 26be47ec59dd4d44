#include "transport/PublisherPull.h"

#include "log/ServantBoundary.h"

namespace rtm
{
  PublisherPull::PublisherPull(PortableServer::POA_ptr poa, const RingBufferOptions& options,
                               std::shared_ptr<DataEvents> events)
    : m_buffer(std::make_shared<OctetBuffer>(options)), m_poa(PortableServer::POA::_duplicate(poa))
  {
    // The POA shares ownership of the servant and frees it once its last call has returned.
    PortableServer::Servant_var<OutPortCdrProvider> servant = new OutPortCdrProvider(m_buffer, std::move(events));
    PortableServer::ObjectId_var oid = m_poa->activate_object(servant.in());
    CORBA::Object_var obj = m_poa->id_to_reference(oid.in());
    m_ref = OpenRTM::OutPortCdr::_narrow(obj.in());
  }

  PublisherPull::~PublisherPull() { PublisherPull::shutdown(); }

  SendStatus PublisherPull::write(const CORBA::Octet* data, std::size_t length) noexcept
  {
    return guarded(
      "transport", "publisher write", [] { return SendStatus::UNKNOWN_ERROR; },
      [&] {
        std::lock_guard<std::mutex> lock(m_writeMutex);
        m_incoming.assign(data, data + length);
        return toSendStatus(m_buffer->write(m_incoming));
      });
  }

  void PublisherPull::shutdown() noexcept
  {
    std::lock_guard<std::mutex> lock(m_writeMutex);
    if (m_shutDown)
      return;
    m_shutDown = true;
    m_buffer->wakeAll();
    try
    {
      PortableServer::ObjectId_var oid = m_poa->reference_to_id(m_ref.in());
      m_poa->deactivate_object(oid.in());
    }
    catch (const CORBA::Exception&)
    {
      // Already deactivated, or the POA went with the ORB: the end we want.
    }
  }
}
