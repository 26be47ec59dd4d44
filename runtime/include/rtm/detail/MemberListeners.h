// The listener RTObject_impl's member-function overloads of add*Listener make: it calls one member
// function of the caller's object with what the listener is called with. Not API: sources name only
// the add* methods.
#ifndef RTM_DETAIL_MEMBERLISTENERS_H
#define RTM_DETAIL_MEMBERLISTENERS_H

namespace RTC
{
  namespace detail
  {
    // Base is the listener interface, whose operator() takes exactly Args.
    template <class Base, class Object, class... Args>
    class MemberListener : public Base
    {
    public:
      typedef void (Object::*Method)(Args...);
      MemberListener(Object& obj, Method method) : m_obj(obj), m_method(method) {}
      virtual void operator()(Args... args) { (m_obj.*m_method)(args...); }

    private:
      Object& m_obj;
      Method m_method;
    };

    // The listener's arguments are the member function's.
    template <class Base, class Object, class... Args>
    Base* newMemberListener(Object& obj, void (Object::*method)(Args...))
    {
      return new MemberListener<Base, Object, Args...>(obj, method);
    }
  }  // namespace detail
}  // namespace RTC

#endif  // RTM_DETAIL_MEMBERLISTENERS_H
