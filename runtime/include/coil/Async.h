// Runs a call on a thread of its own: `coil::AsyncInvoker(obj, func)->invoke()` calls `func(obj)`
// there, and finished() tells when it has returned.
#ifndef COIL_ASYNC_H
#define COIL_ASYNC_H

#include <coil/Guard.h>
#include <coil/Mutex.h>
#include <coil/Task.h>

namespace coil
{
  class Async : public coil::Task
  {
  public:
    Async() {}
    virtual ~Async() {}
    virtual void invoke() = 0;
    virtual bool finished() = 0;
  };

  template <typename Object, typename Func>
  class Async_t : public Async
  {
  public:
    Async_t(Object* obj, Func func, bool auto_delete = false)
      : m_obj(obj), m_func(func), m_finished(false), m_autodelete(auto_delete)
    {}
    virtual ~Async_t() {}

    virtual int svc()
    {
      m_func(m_obj);
      coil::Guard<coil::Mutex> guard(m_mutex);
      m_finished = true;
      return 0;
    }

    virtual void finalize()
    {
      if (m_autodelete)
        delete this;
    }

    virtual void invoke() { activate(); }

    virtual bool finished()
    {
      coil::Guard<coil::Mutex> guard(m_mutex);
      return m_finished;
    }

  private:
    Object* m_obj;
    Func m_func;
    bool m_finished;
    const bool m_autodelete;
    coil::Mutex m_mutex;
  };

  // With auto_delete the invoker deletes itself once the call has returned: do not touch it after
  // invoke() then.
  template <typename Object, typename Func>
  inline Async_t<Object, Func>* AsyncInvoker(Object* obj, Func func, bool auto_delete = false)
  {
    return new Async_t<Object, Func>(obj, func, auto_delete);
  }
}  // namespace coil

#endif  // COIL_ASYNC_H
