// Sleeping and reading the wall clock in coil's units. Interrupted sleeps resume, so a component's
// `coil::usleep(1000)` in a loop sleeps what it asked for whatever signals the process takes.
#ifndef COIL_TIME_H
#define COIL_TIME_H

#include <coil/TimeValue.h>

#include <cerrno>
#include <ctime>
#include <sys/time.h>
#include <unistd.h>

namespace coil
{
  inline int sleepFor(long int sec, long int nsec)
  {
    timespec want;
    want.tv_sec = sec;
    want.tv_nsec = nsec;
    timespec left;
    while (::nanosleep(&want, &left) != 0)
    {
      if (errno != EINTR)
        return -1;
      want = left;
    }
    return 0;
  }

  inline unsigned int sleep(unsigned int seconds) { return sleepFor(seconds, 0) == 0 ? 0 : seconds; }

  inline int sleep(TimeValue interval)
  {
    if (interval.sign() < 0)
      return 0;
    return sleepFor(interval.sec(), interval.usec() * 1000L);
  }

  inline int usleep(useconds_t usec) { return sleepFor(usec / 1000000, (usec % 1000000) * 1000L); }

  inline int gettimeofday(struct timeval* tv, struct timezone* tz) { return ::gettimeofday(tv, tz); }

  inline TimeValue gettimeofday()
  {
    timeval now;
    ::gettimeofday(&now, 0);
    return TimeValue(now.tv_sec, now.tv_usec);
  }
}  // namespace coil

#endif  // COIL_TIME_H
