#include "log/Logger.h"
#include "log/Warning.h"

#include <coil/stringutil.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace rtm
{
  namespace
  {
    const char* const kDefaultDateFormat = "%b %d %H:%M:%S.%Q";

    std::string upper(std::string s)
    {
      std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      return s;
    }

    std::string withPid(const std::string& name)
    {
      std::string out;
      for (std::size_t i = 0; i < name.size(); ++i)
      {
        if (name[i] == '%' && i + 1 < name.size() && name[i + 1] == 'p')
        {
          out += std::to_string(::getpid());
          ++i;
        }
        else
        {
          out += name[i];
        }
      }
      return out;
    }

    // strftime knows nothing of milliseconds, so %Q is replaced by them beforehand; "%%" is
    // skipped as a pair so that "%%Q" stays a literal "%Q".
    std::string expandMilliseconds(const std::string& format, int millis)
    {
      char digits[12];  // room for any int: millis is below 1000, but the compiler cannot know
      std::snprintf(digits, sizeof digits, "%03d", millis);
      std::string out;
      for (std::size_t i = 0; i < format.size(); ++i)
      {
        if (format[i] == '%' && i + 1 < format.size())
        {
          if (format[i + 1] == 'Q')
          {
            out += digits;
          }
          else
          {
            out += format.substr(i, 2);
          }
          ++i;
        }
        else
        {
          out += format[i];
        }
      }
      return out;
    }
  }  // namespace

  Logger::Logger() : threshold_(static_cast<int>(LogLevel::Silent)), dateFormat_(kDefaultDateFormat) {}

  Logger::~Logger() { closeSinks(); }

  void Logger::configure(const std::string& enable, const std::string& fileName, const std::string& level,
                         const std::string& dateFormat) noexcept
  {
    try
    {
      std::lock_guard<std::mutex> lock(mutex_);
      threshold_.store(static_cast<int>(LogLevel::Silent));
      closeSinks();
      std::string format = dateFormat;
      coil::eraseBothEndsBlank(format);
      dateFormat_ = format.empty() ? kDefaultDateFormat : format;

      const LogLevel threshold = levelFromName(level);
      // The middleware's boolean reading: any YES turns it on, everything else is off.
      if (upper(enable).find("YES") == std::string::npos || threshold == LogLevel::Silent)
      {
        return;
      }

      for (const std::string& entry : coil::split(fileName, ",", true))
      {
        addSink(withPid(entry));
      }
      if (!sinks_.empty())
      {
        threshold_.store(static_cast<int>(threshold));
      }
    }
    catch (...)
    {
      // Logging is never worth failing the caller for; it simply stays off.
      threshold_.store(static_cast<int>(LogLevel::Silent));
    }
  }

  void Logger::write(LogLevel level, const std::string& who, const std::string& message) noexcept
  {
    if (!enabled(level))
    {
      return;
    }
    try
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // Built whole and written with one call per target, so lines from threads never interleave.
      const std::string line = timestamp() + " " + levelName(level) + ": " + who + ": " + message + "\n";
      for (const Sink& sink : sinks_)
      {
        std::fputs(line.c_str(), sink.stream);
        std::fflush(sink.stream);
      }
    }
    catch (...)
    {}
  }

  LogLevel Logger::levelFromName(const std::string& name)
  {
    static const struct
    {
      const char* name;
      LogLevel level;
    } kLevels[] = {{"SILENT", LogLevel::Silent},    {"FATAL", LogLevel::Fatal}, {"ERROR", LogLevel::Error},
                   {"WARN", LogLevel::Warn},        {"INFO", LogLevel::Info},   {"NORMAL", LogLevel::Info},
                   {"DEBUG", LogLevel::Debug},      {"TRACE", LogLevel::Trace}, {"VERBOSE", LogLevel::Verbose},
                   {"PARANOID", LogLevel::Paranoid}};
    std::string key = name;
    coil::eraseBothEndsBlank(key);
    key = upper(key);
    for (const auto& entry : kLevels)
    {
      if (key == entry.name)
      {
        return entry.level;
      }
    }
    return LogLevel::Info;
  }

  const char* Logger::levelName(LogLevel level)
  {
    switch (level)
    {
      case LogLevel::Silent:
        return "SILENT";
      case LogLevel::Fatal:
        return "FATAL";
      case LogLevel::Error:
        return "ERROR";
      case LogLevel::Warn:
        return "WARN";
      case LogLevel::Info:
        return "INFO";
      case LogLevel::Debug:
        return "DEBUG";
      case LogLevel::Trace:
        return "TRACE";
      case LogLevel::Verbose:
        return "VERBOSE";
      case LogLevel::Paranoid:
        return "PARANOID";
    }
    return "INFO";
  }

  bool Logger::writesTo(std::FILE* stream, LogLevel level) const noexcept
  {
    if (!enabled(level))
    {
      return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Sink& sink : sinks_)
    {
      if (sink.stream == stream)
      {
        return true;
      }
    }
    return false;
  }

  void Logger::addSink(const std::string& name)
  {
    Sink sink{name, nullptr, false};
    const std::string canonical = upper(name);
    if (canonical == "STDOUT" || canonical == "STDERR")
    {
      sink.name = canonical;
      sink.stream = canonical == "STDOUT" ? stdout : stderr;
    }
    // The same target named twice gets one stream, or every line would appear twice in it.
    const bool duplicate =
      std::any_of(sinks_.begin(), sinks_.end(), [&](const Sink& s) { return s.name == sink.name; });
    if (duplicate)
    {
      return;
    }
    if (sink.stream == nullptr)
    {
      sink.stream = std::fopen(name.c_str(), "a");
      if (sink.stream == nullptr)
      {
        warn("cannot open log file " + name + " (" + std::strerror(errno) + "); logging to it is disabled");
        return;
      }
      sink.owned = true;
    }
    sinks_.push_back(sink);
  }

  void Logger::closeSinks() noexcept
  {
    for (const Sink& sink : sinks_)
    {
      if (sink.owned)
      {
        std::fclose(sink.stream);
      }
      else
      {
        std::fflush(sink.stream);
      }
    }
    sinks_.clear();
  }

  std::string Logger::timestamp() const
  {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const int millis = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    const std::string format = expandMilliseconds(dateFormat_, millis);
    char buffer[256];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format.c_str(), &local);
    return std::string(buffer, length);
  }

  Logger& logger()
  {
    static Logger instance;
    return instance;
  }
}  // namespace rtm
