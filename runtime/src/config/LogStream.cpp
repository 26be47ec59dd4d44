#include <coil/Logger.h>

namespace coil
{
  LogStream::LogStream(LogStreamBuffer* sink, int levelmin, int levelmax, int level)
    : std::ostream(nullptr), m_buffer(*this), m_sink(sink), m_minLevel(levelmin), m_maxLevel(levelmax), m_level(level),
      m_lineLevel(level)
  {
    ::pthread_mutex_init(&m_mutex, nullptr);
    // The buffer is a member, made after the ostream base: attached only now.
    rdbuf(&m_buffer);
  }

  LogStream::~LogStream()
  {
    // Text written without a final std::endl is still a line worth keeping.
    m_buffer.pubsync();
    rdbuf(nullptr);
    ::pthread_mutex_destroy(&m_mutex);
  }

  bool LogStream::setLevel(int level)
  {
    if (level < m_minLevel || level > m_maxLevel)
      return false;
    m_level = level;
    return true;
  }

  int LogStream::getLevel() const { return m_level; }

  // The lowest level is "silent": nothing is ever written at it.
  bool LogStream::isValid(int level) const { return level > m_minLevel && level <= m_level; }

  LogStream& LogStream::level(int level)
  {
    m_lineLevel = level;
    return *this;
  }

  void LogStream::lock() { ::pthread_mutex_lock(&m_mutex); }
  void LogStream::unlock() { ::pthread_mutex_unlock(&m_mutex); }

  int LogStream::LineBuffer::sync()
  {
    const std::string text = str();
    str(std::string());
    if (m_owner.m_sink == nullptr || !m_owner.isValid(m_owner.m_lineLevel))
      return 0;
    std::string::size_type start = 0;
    while (start < text.size())
    {
      std::string::size_type end = text.find('\n', start);
      if (end == std::string::npos)
        end = text.size();
      m_owner.m_sink->writeLine(m_owner.m_lineLevel, m_owner.m_name, text.substr(start, end - start));
      start = end + 1;
    }
    return 0;
  }
}  // namespace coil
