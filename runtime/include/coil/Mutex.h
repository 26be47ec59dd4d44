// coil's mutex: a plain pthread mutex, public so that coil::Condition can wait on it.
#ifndef COIL_MUTEX_H
#define COIL_MUTEX_H

#include <pthread.h>

namespace coil
{
  class Mutex
  {
  public:
    Mutex(const char* name = 0)
    {
      (void)name;
      ::pthread_mutex_init(&mutex_, 0);
    }
    ~Mutex() { ::pthread_mutex_destroy(&mutex_); }

    void lock() { ::pthread_mutex_lock(&mutex_); }
    // As in the middleware: true when the mutex was NOT acquired.
    bool trylock() { return ::pthread_mutex_trylock(&mutex_) != 0; }
    void unlock() { ::pthread_mutex_unlock(&mutex_); }

    pthread_mutex_t mutex_;

  private:
    Mutex(const Mutex&);
    Mutex& operator=(const Mutex&);
  };
}  // namespace coil

#endif  // COIL_MUTEX_H
