// The process's one log seen as a coil::LogStreamBuffer: what components' loggers write to.
#ifndef RTM_LOG_PROCESSLOGBUFFER_H
#define RTM_LOG_PROCESSLOGBUFFER_H

#include <coil/Logger.h>

namespace rtm
{
  class ProcessLogBuffer : public coil::LogStreamBuffer
  {
  public:
    void writeLine(int level, const std::string& name, const std::string& text) override;
  };

  ProcessLogBuffer& processLogBuffer();
}  // namespace rtm

#endif  // RTM_LOG_PROCESSLOGBUFFER_H
