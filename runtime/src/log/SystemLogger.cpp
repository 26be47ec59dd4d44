// RTC::Logger: the public face of the process log. The log room reaches the manager only through
// its public header, for the one thing the middleware's logger asks of it: its level.
#include <rtm/SystemLogger.h>

#include "log/ProcessLogBuffer.h"

#include <rtm/Manager.h>

#include <cstring>

namespace RTC
{
  namespace
  {
    const char* const kLoggerLevelNames[] = {"SILENT", "FATAL", "ERROR",   "WARN",    "INFO",
                                             "DEBUG",  "TRACE", "VERBOSE", "PARANOID"};
  }

  Logger::Logger(const char* name)
    : coil::LogStream(&Manager::instance().getLogStreamBuf(), RTL_SILENT, RTL_PARANOID, RTL_INFO)
  {
    setName(name);
    setLevel(Manager::instance().getLogLevel().c_str());
  }

  Logger::Logger(LogStreamBuf* streambuf) : coil::LogStream(streambuf, RTL_SILENT, RTL_PARANOID, RTL_INFO) {}

  Logger::~Logger() {}

  bool Logger::setLevel(const char* level) { return coil::LogStream::setLevel(strToLevel(level)); }

  void Logger::setDateFormat(const char*) {}

  void Logger::setName(const char* name) { m_name = name != nullptr ? name : ""; }

  int Logger::strToLevel(const char* level)
  {
    if (level == nullptr)
      return RTL_SILENT;
    for (int i = RTL_SILENT; i <= RTL_PARANOID; ++i)
    {
      if (std::strcmp(level, kLoggerLevelNames[i]) == 0)
        return i;
    }
    return RTL_SILENT;
  }
}  // namespace RTC
