// coil's active object: a class whose svc() runs on a thread of its own once activate()d.
#ifndef COIL_TASK_H
#define COIL_TASK_H

#include <pthread.h>

namespace coil
{
  class Task
  {
  public:
    Task();
    // Never blocks: a thread still running is detached, so a task may delete itself at its end.
    virtual ~Task();

    virtual int open(void* args = 0);
    virtual int close(unsigned long flags = 0);
    virtual int svc();
    // Starts svc() on a new thread, then finalize() on it; does nothing while one runs.
    virtual void activate();
    // Joins the thread activate() started; returns at once if there is none.
    virtual int wait();
    virtual int suspend();
    virtual int resume();
    virtual void reset();
    // Runs on the task's thread after svc(); the last thing it may do is delete the task.
    virtual void finalize();

    static void* svc_run(void* args = 0);

  private:
    Task(const Task&);
    Task& operator=(const Task&);

    int m_count;
    bool m_joinable;
    pthread_t m_thread;
    pthread_mutex_t m_mutex;
  };
}  // namespace coil

#endif  // COIL_TASK_H
