#include "ec/ServantCallbacks.h"

namespace rtm
{
  ServantCallbacks::ServantCallbacks(POA_OpenRTM::DataFlowComponent* servant) : m_servant(servant) {}

  RTC::ReturnCode_t ServantCallbacks::on_startup(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_servant->on_startup(h); });
  }

  RTC::ReturnCode_t ServantCallbacks::on_shutdown(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_servant->on_shutdown(h); });
  }

  RTC::ReturnCode_t ServantCallbacks::on_activated(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_servant->on_activated(h); });
  }

  RTC::ReturnCode_t ServantCallbacks::on_deactivated(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_servant->on_deactivated(h); });
  }

  RTC::ReturnCode_t ServantCallbacks::on_aborting(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_servant->on_aborting(h); });
  }

  RTC::ReturnCode_t ServantCallbacks::on_error(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_servant->on_error(h); });
  }

  RTC::ReturnCode_t ServantCallbacks::on_reset(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_servant->on_reset(h); });
  }

  RTC::ReturnCode_t ServantCallbacks::on_execute(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_servant->on_execute(h); });
  }

  RTC::ReturnCode_t ServantCallbacks::on_state_update(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_servant->on_state_update(h); });
  }

  RTC::ReturnCode_t ServantCallbacks::on_rate_changed(RTC::ExecutionContextHandle_t h)
  {
    return guarded([&] { return m_servant->on_rate_changed(h); });
  }
}
