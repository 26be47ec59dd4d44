#include "sdo/StatusUpdate.h"

namespace rtm
{
  namespace
  {
    StatusUpdate inContext(OpenRTM::StatusKind kind, const char* what, const ComponentEvent& e)
    {
      return {kind, std::string(what) + ":" + std::to_string(e.context)};
    }

    StatusUpdate named(OpenRTM::StatusKind kind, const char* what, const ComponentEvent& e)
    {
      return {kind, std::string(what) + e.name};
    }
  }

  StatusUpdate StatusUpdate::from(const ComponentEvent& e)
  {
    switch (e.kind)
    {
      case ComponentEvent::Activated:
        return inContext(OpenRTM::RTC_STATUS, "ACTIVE", e);
      case ComponentEvent::Deactivated:
      case ComponentEvent::Reset:
        return inContext(OpenRTM::RTC_STATUS, "INACTIVE", e);
      case ComponentEvent::ErrorEntered:
        return inContext(OpenRTM::RTC_STATUS, "ERROR", e);
      case ComponentEvent::Finalized:
        return inContext(OpenRTM::RTC_STATUS, "FINALIZE", e);
      case ComponentEvent::ContextAttached:
        return inContext(OpenRTM::EC_STATUS, "ATTACHED", e);
      case ComponentEvent::ContextDetached:
        return inContext(OpenRTM::EC_STATUS, "DETACHED", e);
      case ComponentEvent::RateChanged:
        return inContext(OpenRTM::EC_STATUS, "RATE_CHANGED", e);
      case ComponentEvent::ContextStarted:
        return inContext(OpenRTM::EC_STATUS, "STARTUP", e);
      case ComponentEvent::ContextStopped:
        return inContext(OpenRTM::EC_STATUS, "SHUTDOWN", e);
      case ComponentEvent::Connected:
        return named(OpenRTM::PORT_PROFILE, "CONNECT:", e);
      case ComponentEvent::Disconnected:
        return named(OpenRTM::PORT_PROFILE, "DISCONNECT:", e);
      case ComponentEvent::PortAdded:
        return named(OpenRTM::PORT_PROFILE, "ADD:", e);
      case ComponentEvent::PortRemoved:
        return named(OpenRTM::PORT_PROFILE, "REMOVE:", e);
      // The configuration hints carry a blank after the colon: tools match them as written.
      case ComponentEvent::ParameterUpdated:
        return named(OpenRTM::CONFIGURATION, "UPDATE_CONFIG_PARAM: ", e);
      case ComponentEvent::SetValuesSet:
        return named(OpenRTM::CONFIGURATION, "SET_CONFIG_SET: ", e);
      case ComponentEvent::SetAdded:
        return named(OpenRTM::CONFIGURATION, "ADD_CONFIG_SET: ", e);
      case ComponentEvent::SetUpdated:
        return named(OpenRTM::CONFIGURATION, "UPDATE_CONFIG_SET: ", e);
      case ComponentEvent::SetRemoved:
        return named(OpenRTM::CONFIGURATION, "REMOVE_CONFIG_SET: ", e);
      case ComponentEvent::SetActivated:
        return named(OpenRTM::CONFIGURATION, "ACTIVATE_CONFIG_SET: ", e);
      case ComponentEvent::ProfileChanged:
        return {OpenRTM::COMPONENT_PROFILE, e.name};
    }
    return {OpenRTM::COMPONENT_PROFILE, e.name};
  }

  RTC::StatusKind StatusUpdate::rtcKind() const
  {
    switch (kind)
    {
      case OpenRTM::COMPONENT_PROFILE:
        return RTC::COMPONENT_PROFILE;
      case OpenRTM::RTC_STATUS:
        return RTC::RTC_STATUS;
      case OpenRTM::EC_STATUS:
        return RTC::EC_STATUS;
      case OpenRTM::PORT_PROFILE:
        return RTC::PORT_PROFILE;
      case OpenRTM::CONFIGURATION:
        return RTC::CONFIGURATION;
      case OpenRTM::HEARTBEAT:
        return RTC::HEARTBEAT;
      case OpenRTM::STATUS_KIND_NUM:
        break;
    }
    return RTC::COMPONENT_PROFILE;
  }

  StatusUpdate StatusUpdate::heartbeat() { return {OpenRTM::HEARTBEAT, ""}; }
}
