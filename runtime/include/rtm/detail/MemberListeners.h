// The listeners RTObject_impl's member-function overloads of add*Listener make: each calls one
// member function of the caller's object. Not API: sources name only the add* methods.
#ifndef RTM_DETAIL_MEMBERLISTENERS_H
#define RTM_DETAIL_MEMBERLISTENERS_H

#include <rtm/ComponentActionListener.h>

namespace RTC
{
  namespace detail
  {
    // For the listeners called with an execution context's id alone (pre-action, EC action).
    template <class Base, class Object>
    class MemberIdListener : public Base
    {
    public:
      typedef void (Object::*Method)(UniqueId ec_id);
      MemberIdListener(Object& obj, Method method) : m_obj(obj), m_method(method) {}
      virtual void operator()(UniqueId ec_id) { (m_obj.*m_method)(ec_id); }

    private:
      Object& m_obj;
      Method m_method;
    };

    template <class Object>
    class MemberPostListener : public PostComponentActionListener
    {
    public:
      typedef void (Object::*Method)(UniqueId ec_id, ReturnCode_t ret);
      MemberPostListener(Object& obj, Method method) : m_obj(obj), m_method(method) {}
      virtual void operator()(UniqueId ec_id, ReturnCode_t ret) { (m_obj.*m_method)(ec_id, ret); }

    private:
      Object& m_obj;
      Method m_method;
    };

    template <class Object>
    class MemberPortListener : public PortActionListener
    {
    public:
      typedef void (Object::*Method)(const ::RTC::PortProfile& pprof);
      MemberPortListener(Object& obj, Method method) : m_obj(obj), m_method(method) {}
      virtual void operator()(const ::RTC::PortProfile& pprof) { (m_obj.*m_method)(pprof); }

    private:
      Object& m_obj;
      Method m_method;
    };
  }  // namespace detail
}  // namespace RTC

#endif  // RTM_DETAIL_MEMBERLISTENERS_H
