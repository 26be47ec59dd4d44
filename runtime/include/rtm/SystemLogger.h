// The component author's logger: `rtclog` on every component, and the RTC_* macros that write to
// it in printf style (`RTC_INFO(("rate %f", rate))`) or stream style (`RTC_DEBUG_STR((props))`).
// Lines go to the process's one log (logger.file_name), named after the component instance.
#ifndef RTM_SYSTEMLOGGER_H
#define RTM_SYSTEMLOGGER_H

#include <coil/Logger.h>
#include <coil/stringutil.h>

#include <string>

namespace RTC
{
  typedef coil::LogStreamBuffer LogStreamBuf;
  typedef coil::LogStream LogStream;

  class Logger : public coil::LogStream
  {
  public:
    enum
    {
      RTL_SILENT,
      RTL_FATAL,
      RTL_ERROR,
      RTL_WARN,
      RTL_INFO,
      RTL_DEBUG,
      RTL_TRACE,
      RTL_VERBOSE,
      RTL_PARANOID
    };

    // Writes to the manager's log at its logger.log_level; builds the manager if there is none.
    Logger(const char* name = "");
    // Writes to `streambuf` at level INFO.
    Logger(LogStreamBuf* streambuf);
    virtual ~Logger();

    using coil::LogStream::setLevel;
    // The level names SILENT ... PARANOID exactly; any other name silences the logger.
    bool setLevel(const char* level);
    // The date on each line is the process log's (logger.date_format): kept for sources that set
    // it, without effect.
    void setDateFormat(const char* format);
    void setName(const char* name);

    // RTL_SILENT for a name that is none of the levels.
    static int strToLevel(const char* level);
  };
}  // namespace RTC

// Each statement formats its text only when its level is on. Like the middleware's, these are
// brace-less `if` statements: a following `else` binds to them, so give the caller's `if` braces.
#ifndef NO_LOGGING
#define RTC_LOG(LV, fmt)                                                                                               \
  if (rtclog.isValid(LV))                                                                                              \
  {                                                                                                                    \
    std::string rtc_log_text_ = ::coil::sprintf fmt;                                                                   \
    rtclog.lock();                                                                                                     \
    rtclog.level(LV) << rtc_log_text_ << std::endl;                                                                    \
    rtclog.unlock();                                                                                                   \
  }

#define RTC_LOG_STR(LV, str)                                                                                           \
  if (rtclog.isValid(LV))                                                                                              \
  {                                                                                                                    \
    rtclog.lock();                                                                                                     \
    rtclog.level(LV) << str << std::endl;                                                                              \
    rtclog.unlock();                                                                                                   \
  }

#define RTC_FATAL(fmt) RTC_LOG(::RTC::Logger::RTL_FATAL, fmt)
#define RTC_FATAL_STR(str) RTC_LOG_STR(::RTC::Logger::RTL_FATAL, str)
#define RTC_ERROR(fmt) RTC_LOG(::RTC::Logger::RTL_ERROR, fmt)
#define RTC_ERROR_STR(str) RTC_LOG_STR(::RTC::Logger::RTL_ERROR, str)
#define RTC_WARN(fmt) RTC_LOG(::RTC::Logger::RTL_WARN, fmt)
#define RTC_WARN_STR(str) RTC_LOG_STR(::RTC::Logger::RTL_WARN, str)
#define RTC_NORMAL(fmt) RTC_LOG(::RTC::Logger::RTL_INFO, fmt)
#define RTC_NORMAL_STR(str) RTC_LOG_STR(::RTC::Logger::RTL_INFO, str)
#define RTC_INFO(fmt) RTC_LOG(::RTC::Logger::RTL_INFO, fmt)
#define RTC_INFO_STR(str) RTC_LOG_STR(::RTC::Logger::RTL_INFO, str)
#define RTC_DEBUG(fmt) RTC_LOG(::RTC::Logger::RTL_DEBUG, fmt)
#define RTC_DEBUG_STR(str) RTC_LOG_STR(::RTC::Logger::RTL_DEBUG, str)
#define RTC_TRACE(fmt) RTC_LOG(::RTC::Logger::RTL_TRACE, fmt)
#define RTC_TRACE_STR(str) RTC_LOG_STR(::RTC::Logger::RTL_TRACE, str)
#define RTC_VERBOSE(fmt) RTC_LOG(::RTC::Logger::RTL_VERBOSE, fmt)
#define RTC_VERBOSE_STR(str) RTC_LOG_STR(::RTC::Logger::RTL_VERBOSE, str)
#define RTC_PARANOID(fmt) RTC_LOG(::RTC::Logger::RTL_PARANOID, fmt)
#define RTC_PARANOID_STR(str) RTC_LOG_STR(::RTC::Logger::RTL_PARANOID, str)
#else
#define RTC_ERROR(fmt)
#define RTC_ERROR_STR(str)
#define RTC_WARN(fmt)
#define RTC_WARN_STR(str)
#define RTC_NORMAL(fmt)
#define RTC_NORMAL_STR(str)
#define RTC_INFO(fmt)
#define RTC_INFO_STR(str)
#define RTC_DEBUG(fmt)
#define RTC_DEBUG_STR(str)
#define RTC_TRACE(fmt)
#define RTC_TRACE_STR(str)
#define RTC_VERBOSE(fmt)
#define RTC_VERBOSE_STR(str)
#define RTC_PARANOID(fmt)
#define RTC_PARANOID_STR(str)
#endif

#endif  // RTM_SYSTEMLOGGER_H
