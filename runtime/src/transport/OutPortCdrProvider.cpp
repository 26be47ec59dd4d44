#include "transport/OutPortCdrProvider.h"

#include "log/ServantBoundary.h"

namespace rtm
{
  OutPortCdrProvider::OutPortCdrProvider(std::shared_ptr<OctetBuffer> buffer) : m_buffer(std::move(buffer)) {}

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
          return OpenRTM::PORT_OK;
        }
        case BufferStatus::EMPTY:
          return OpenRTM::BUFFER_EMPTY;
        case BufferStatus::TIMEOUT:
          return OpenRTM::BUFFER_TIMEOUT;
        default:
          return OpenRTM::UNKNOWN_ERROR;
      }
    });
  }
}
