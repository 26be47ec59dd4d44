// The runtime's own log: off unless the manager's logger.* properties ask for it, so a normal run
// prints nothing of ours and creates no file.
#ifndef RTM_LOG_LOGGER_H
#define RTM_LOG_LOGGER_H

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace rtm
{
  // Ordered by verbosity, so "enabled" is one comparison against the configured threshold.
  enum class LogLevel
  {
    Silent = 0,
    Fatal,
    Error,
    Warn,
    Info,
    Debug,
    Trace,
    Verbose,
    Paranoid
  };

  class Logger
  {
  public:
    Logger();
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // Takes the raw values of logger.enable, logger.file_name, logger.log_level and
    // logger.date_format. May be called again: the previous targets are closed first.
    void configure(const std::string& enable, const std::string& fileName, const std::string& level,
                   const std::string& dateFormat) noexcept;

    // Cheap enough to guard every log statement: one atomic load.
    bool enabled(LogLevel level) const noexcept
    {
      const int threshold = threshold_.load(std::memory_order_relaxed);
      return level != LogLevel::Silent && static_cast<int>(level) <= threshold;
    }

    void write(LogLevel level, const std::string& who, const std::string& message) noexcept;

    // True if a line of `level` goes to `stream` (stdout, stderr): a caller that prints on that
    // stream anyway can skip its own copy.
    bool writesTo(std::FILE* stream, LogLevel level) const noexcept;

    // SILENT ... PARANOID, NORMAL meaning INFO, case-insensitive; anything else is INFO.
    static LogLevel levelFromName(const std::string& name);
    static const char* levelName(LogLevel level);

  private:
    struct Sink
    {
      std::string name;
      std::FILE* stream;
      bool owned;
    };

    void addSink(const std::string& name);
    void closeSinks() noexcept;
    std::string timestamp() const;

    std::atomic<int> threshold_;
    mutable std::mutex mutex_;
    std::vector<Sink> sinks_;
    std::string dateFormat_;
  };

  // The process-wide log every part of the runtime writes to.
  Logger& logger();
}  // namespace rtm

// The stream expression is evaluated only when the level is on, so disabled logging costs one load.
#define RTM_LOG_AT(level, who, expr)                                                                                   \
  do                                                                                                                   \
  {                                                                                                                    \
    if (::rtm::logger().enabled(level))                                                                                \
    {                                                                                                                  \
      std::ostringstream rtm_log_stream_;                                                                              \
      rtm_log_stream_ << expr;                                                                                         \
      ::rtm::logger().write(level, who, rtm_log_stream_.str());                                                        \
    }                                                                                                                  \
  } while (false)

#define RTM_LOG_FATAL(who, expr) RTM_LOG_AT(::rtm::LogLevel::Fatal, who, expr)
#define RTM_LOG_ERROR(who, expr) RTM_LOG_AT(::rtm::LogLevel::Error, who, expr)
#define RTM_LOG_WARN(who, expr) RTM_LOG_AT(::rtm::LogLevel::Warn, who, expr)
#define RTM_LOG_INFO(who, expr) RTM_LOG_AT(::rtm::LogLevel::Info, who, expr)
#define RTM_LOG_DEBUG(who, expr) RTM_LOG_AT(::rtm::LogLevel::Debug, who, expr)
#define RTM_LOG_TRACE(who, expr) RTM_LOG_AT(::rtm::LogLevel::Trace, who, expr)
#define RTM_LOG_VERBOSE(who, expr) RTM_LOG_AT(::rtm::LogLevel::Verbose, who, expr)
#define RTM_LOG_PARANOID(who, expr) RTM_LOG_AT(::rtm::LogLevel::Paranoid, who, expr)

#endif  // RTM_LOG_LOGGER_H
