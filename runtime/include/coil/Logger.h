// coil's log stream: an ostream that collects one line at a time and hands each whole line, with
// its level and the stream's name, to a LogStreamBuffer (the process's log, for RTC::Logger).
#ifndef COIL_LOGGER_H
#define COIL_LOGGER_H

#include <pthread.h>

#include <ostream>
#include <sstream>
#include <string>

namespace coil
{
  // Where finished lines go. One per process is enough: every stream names itself on each line.
  class LogStreamBuffer
  {
  public:
    virtual ~LogStreamBuffer() {}
    // `text` has no newline of its own.
    virtual void writeLine(int level, const std::string& name, const std::string& text) = 0;
  };

  class LogStream : public std::ostream
  {
  public:
    // Lines of levels levelmin..`level` pass; `level` may later move within levelmin..levelmax.
    LogStream(LogStreamBuffer* sink, int levelmin, int levelmax, int level);
    virtual ~LogStream();

    // False (and no change) outside levelmin..levelmax.
    bool setLevel(int level);
    int getLevel() const;
    bool isValid(int level) const;
    // The level of the line written next: `stream.level(LV) << ... << std::endl`.
    LogStream& level(int level);
    // Held around one line by the RTC_* macros, so that threads of one component do not mix lines.
    void lock();
    void unlock();

  protected:
    std::string m_name;

  private:
    LogStream(const LogStream&);
    LogStream& operator=(const LogStream&);

    // Collects text until a flush (std::endl), then sends each line it holds.
    class LineBuffer : public std::stringbuf
    {
    public:
      explicit LineBuffer(LogStream& owner) : m_owner(owner) {}

    protected:
      virtual int sync();

    private:
      LogStream& m_owner;
    };

    LineBuffer m_buffer;
    LogStreamBuffer* m_sink;
    int m_minLevel;
    int m_maxLevel;
    int m_level;
    int m_lineLevel;
    pthread_mutex_t m_mutex;
  };
}  // namespace coil

#endif  // COIL_LOGGER_H
