// RTC::DataPortStatus: how a data port's last read or write went, per connector. The codes and
// their names are the middleware's, as components compare and print them.
#ifndef RTM_DATAPORTSTATUS_H
#define RTM_DATAPORTSTATUS_H

#include <vector>

namespace RTC
{
  class DataPortStatus
  {
  public:
    enum Enum
    {
      PORT_OK = 0,
      PORT_ERROR,
      BUFFER_ERROR,
      BUFFER_FULL,
      BUFFER_EMPTY,
      BUFFER_TIMEOUT,
      SEND_FULL,
      SEND_TIMEOUT,
      RECV_EMPTY,
      RECV_TIMEOUT,
      INVALID_ARGS,
      PRECONDITION_NOT_MET,
      CONNECTION_LOST,
      UNKNOWN_ERROR
    };

    static const char* toString(Enum status)
    {
      static const char* const names[] = {"PORT_OK",         "PORT_ERROR",     "BUFFER_ERROR", "BUFFER_FULL",
                                          "BUFFER_EMPTY",    "BUFFER_TIMEOUT", "SEND_FULL",    "SEND_TIMEOUT",
                                          "RECV_EMPTY",      "RECV_TIMEOUT",   "INVALID_ARGS", "PRECONDITION_NOT_MET",
                                          "CONNECTION_LOST", "UNKNOWN_ERROR"};
      return status >= PORT_OK && status <= UNKNOWN_ERROR ? names[status] : "UNKNOWN_ERROR";
    }
  };

  typedef std::vector<DataPortStatus::Enum> DataPortStatusList;
}

// Brings the codes into a class's scope unqualified, as classes of the middleware use them.
// BUFFER_ERROR is left out, as the middleware leaves it out.
#define DATAPORTSTATUS_ENUM                                                                                            \
  typedef ::RTC::DataPortStatus::Enum ReturnCode;                                                                      \
  using ::RTC::DataPortStatus::PORT_OK;                                                                                \
  using ::RTC::DataPortStatus::PORT_ERROR;                                                                             \
  using ::RTC::DataPortStatus::BUFFER_FULL;                                                                            \
  using ::RTC::DataPortStatus::BUFFER_EMPTY;                                                                           \
  using ::RTC::DataPortStatus::BUFFER_TIMEOUT;                                                                         \
  using ::RTC::DataPortStatus::SEND_FULL;                                                                              \
  using ::RTC::DataPortStatus::SEND_TIMEOUT;                                                                           \
  using ::RTC::DataPortStatus::RECV_EMPTY;                                                                             \
  using ::RTC::DataPortStatus::RECV_TIMEOUT;                                                                           \
  using ::RTC::DataPortStatus::INVALID_ARGS;                                                                           \
  using ::RTC::DataPortStatus::PRECONDITION_NOT_MET;                                                                   \
  using ::RTC::DataPortStatus::CONNECTION_LOST;                                                                        \
  using ::RTC::DataPortStatus::UNKNOWN_ERROR;

#endif
