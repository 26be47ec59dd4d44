// A condition variable over a coil::Mutex (or anything with a public pthread `mutex_`).
#ifndef COIL_CONDITION_H
#define COIL_CONDITION_H

#include <pthread.h>
#include <sys/time.h>
#include <ctime>

namespace coil
{
  template <class M>
  class Condition
  {
  public:
    explicit Condition(M& mutex) : m_mutex(mutex) { ::pthread_cond_init(&m_cond, 0); }
    ~Condition() { ::pthread_cond_destroy(&m_cond); }

    int signal() { return ::pthread_cond_signal(&m_cond); }
    int broadcast() { return ::pthread_cond_broadcast(&m_cond); }
    // The caller holds the mutex, as with any condition variable.
    bool wait() { return ::pthread_cond_wait(&m_cond, &m_mutex.mutex_) == 0; }

    // False when the time ran out (or the wait failed) before a signal.
    bool wait(long second, long nano_second = 0)
    {
      timeval now;
      ::gettimeofday(&now, 0);
      long nsec = now.tv_usec * 1000L + nano_second;
      timespec abstime;
      abstime.tv_sec = now.tv_sec + second + nsec / 1000000000L;
      abstime.tv_nsec = nsec % 1000000000L;
      return ::pthread_cond_timedwait(&m_cond, &m_mutex.mutex_, &abstime) == 0;
    }

  private:
    Condition(const Condition&);
    Condition& operator=(const Condition&);
    pthread_cond_t m_cond;
    M& m_mutex;
  };
}  // namespace coil

#endif  // COIL_CONDITION_H
