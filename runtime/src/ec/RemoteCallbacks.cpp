#include "ec/RemoteCallbacks.h"

namespace rtm
{
  RemoteCallbacks::RemoteCallbacks(OpenRTM::DataFlowComponent_ptr component)
    : m_component(OpenRTM::DataFlowComponent::_duplicate(component))
  {}

  RTC::ReturnCode_t RemoteCallbacks::on_startup(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_component->on_startup(h); });
  }

  RTC::ReturnCode_t RemoteCallbacks::on_shutdown(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_component->on_shutdown(h); });
  }

  RTC::ReturnCode_t RemoteCallbacks::on_activated(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_component->on_activated(h); });
  }

  RTC::ReturnCode_t RemoteCallbacks::on_deactivated(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_component->on_deactivated(h); });
  }

  RTC::ReturnCode_t RemoteCallbacks::on_aborting(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_component->on_aborting(h); });
  }

  RTC::ReturnCode_t RemoteCallbacks::on_error(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_component->on_error(h); });
  }

  RTC::ReturnCode_t RemoteCallbacks::on_reset(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_component->on_reset(h); });
  }

  RTC::ReturnCode_t RemoteCallbacks::on_execute(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_component->on_execute(h); });
  }

  RTC::ReturnCode_t RemoteCallbacks::on_state_update(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_component->on_state_update(h); });
  }

  RTC::ReturnCode_t RemoteCallbacks::on_rate_changed(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_component->on_rate_changed(h); });
  }
}
