#include "transport/OutPortCdrProvider.h"

#include "log/ServantBoundary.h"

namespace rtm
{
  OutPortCdrProvider::OutPortCdrProvider(std::shared_ptr<OctetBuffer> buffer, std::shared_ptr<DataEvents> events)
    : m_buffer(std::move(buffer)), m_events(std::move(events))
  {}

  OpenRTM::PortStatus OutPortCdrProvider::get(OpenRTM::CdrData_out data)
  {
    data = new OpenRTM::CdrData;
    const auto failed = [&] {
      data->length(0);
      return OpenRTM::UNKNOWN_ERROR;
    };
    return guarded("transport", "OutPortCdr get", failed, [&] {
      std::vector<CORBA::Octet> sample;
      switch (m_buffer->read(sample))
      {
        case BufferStatus::OK:
        {
          const auto n = static_cast<CORBA::ULong>(sample.size());
          data->length(n);
          if (n != 0)
            std::copy(sample.begin(), sample.end(), data->get_buffer());
          if (m_events)
          {
            m_events->data(RTC::ON_BUFFER_READ, sample.data(), sample.size());
            m_events->data(RTC::ON_SEND, sample.data(), sample.size());
          }
          return OpenRTM::PORT_OK;
        }
        case BufferStatus::EMPTY:
          if (m_events)
          {
            m_events->plain(RTC::ON_BUFFER_EMPTY);
            m_events->plain(RTC::ON_SENDER_EMPTY);
          }
          return OpenRTM::BUFFER_EMPTY;
        case BufferStatus::TIMEOUT:
          if (m_events)
          {
            m_events->plain(RTC::ON_BUFFER_READ_TIMEOUT);
            m_events->plain(RTC::ON_SENDER_TIMEOUT);
          }
          return OpenRTM::BUFFER_TIMEOUT;
        default:
          if (m_events)
            m_events->plain(RTC::ON_SENDER_ERROR);
          return OpenRTM::UNKNOWN_ERROR;
      }
    });
  }
}
