#include <coil/Task.h>

namespace coil
{
  Task::Task() : m_count(0), m_joinable(false), m_thread() { ::pthread_mutex_init(&m_mutex, 0); }

  Task::~Task()
  {
    ::pthread_mutex_lock(&m_mutex);
    if (m_joinable)
      ::pthread_detach(m_thread);
    ::pthread_mutex_unlock(&m_mutex);
    ::pthread_mutex_destroy(&m_mutex);
  }

  int Task::open(void*) { return 0; }
  int Task::close(unsigned long) { return 0; }
  int Task::svc() { return 0; }

  void Task::activate()
  {
    ::pthread_mutex_lock(&m_mutex);
    if (m_count == 0)
    {
      if (m_joinable)
      {
        // The previous run has ended (count 0) but nobody waited for it: release its thread.
        ::pthread_detach(m_thread);
        m_joinable = false;
      }
      if (::pthread_create(&m_thread, 0, &Task::svc_run, this) == 0)
      {
        ++m_count;
        m_joinable = true;
      }
    }
    ::pthread_mutex_unlock(&m_mutex);
  }

  int Task::wait()
  {
    ::pthread_mutex_lock(&m_mutex);
    const bool joinable = m_joinable;
    const pthread_t thread = m_thread;
    m_joinable = false;
    ::pthread_mutex_unlock(&m_mutex);
    if (joinable && !::pthread_equal(thread, ::pthread_self()))
      return ::pthread_join(thread, 0);
    if (joinable)
      ::pthread_detach(thread);
    return 0;
  }

  int Task::suspend() { return 0; }
  int Task::resume() { return 0; }

  void Task::reset()
  {
    ::pthread_mutex_lock(&m_mutex);
    m_count = 0;
    ::pthread_mutex_unlock(&m_mutex);
  }

  void Task::finalize() {}

  void* Task::svc_run(void* args)
  {
    Task* task = static_cast<Task*>(args);
    task->svc();
    ::pthread_mutex_lock(&task->m_mutex);
    task->m_count = 0;
    ::pthread_mutex_unlock(&task->m_mutex);
    // Last: finalize() may delete the task.
    task->finalize();
    return 0;
  }
}  // namespace coil
