// The ten handlers a context calls, each entered in a CallLog with its handle: as a component the
// execution context sees without any ORB in between (RecordingCallbacks), and as the handlers of
// a servant reached through the ORB (FakeDataFlowComponent).
#pragma once

#include "CallLog.h"

#include "ec/ComponentCallbacks.h"

#include <memory>

namespace ectest
{

  template <class Base>
  class Recording : public virtual Base
  {
  public:
    explicit Recording(std::shared_ptr<CallLog> log) : m_log(std::move(log)) {}

    RTC::ReturnCode_t on_startup(RTC::ExecutionContextHandle_t h) override { return m_log->enter("on_startup", h); }
    RTC::ReturnCode_t on_shutdown(RTC::ExecutionContextHandle_t h) override { return m_log->enter("on_shutdown", h); }
    RTC::ReturnCode_t on_activated(RTC::ExecutionContextHandle_t h) override { return m_log->enter("on_activated", h); }
    RTC::ReturnCode_t on_deactivated(RTC::ExecutionContextHandle_t h) override
    {
      return m_log->enter("on_deactivated", h);
    }
    RTC::ReturnCode_t on_aborting(RTC::ExecutionContextHandle_t h) override { return m_log->enter("on_aborting", h); }
    RTC::ReturnCode_t on_error(RTC::ExecutionContextHandle_t h) override { return m_log->enter("on_error", h); }
    RTC::ReturnCode_t on_reset(RTC::ExecutionContextHandle_t h) override { return m_log->enter("on_reset", h); }
    RTC::ReturnCode_t on_execute(RTC::ExecutionContextHandle_t h) override { return m_log->enter("on_execute", h); }
    RTC::ReturnCode_t on_state_update(RTC::ExecutionContextHandle_t h) override
    {
      return m_log->enter("on_state_update", h);
    }
    RTC::ReturnCode_t on_rate_changed(RTC::ExecutionContextHandle_t h) override
    {
      return m_log->enter("on_rate_changed", h);
    }

  protected:
    std::shared_ptr<CallLog> m_log;
  };

  using RecordingCallbacks = Recording<rtm::ComponentCallbacks>;

}  // namespace ectest
