#include "log/ProcessLogBuffer.h"

#include "log/Logger.h"

namespace rtm
{
  void ProcessLogBuffer::writeLine(int level, const std::string& name, const std::string& text)
  {
    if (level <= static_cast<int>(LogLevel::Silent) || level > static_cast<int>(LogLevel::Paranoid))
      return;
    logger().write(static_cast<LogLevel>(level), name, text);
  }

  ProcessLogBuffer& processLogBuffer()
  {
    // Never destroyed: components' loggers may write from static destructors.
    static ProcessLogBuffer* buffer = new ProcessLogBuffer;
    return *buffer;
  }
}  // namespace rtm
