// The object reference a service port's consumer holds: set by the port when a connection names
// a provider, released when that connection goes. Calls go straight through omniORB's proxy.
#ifndef RTM_CORBACONSUMER_H
#define RTM_CORBACONSUMER_H

#include <omniORB4/CORBA.h>

namespace RTC
{
  class CorbaConsumerBase
  {
  public:
    CorbaConsumerBase() {}
    CorbaConsumerBase(const CorbaConsumerBase& x) : m_objref(CORBA::Object::_duplicate(x.m_objref.in())) {}
    CorbaConsumerBase& operator=(const CorbaConsumerBase& x)
    {
      CorbaConsumerBase tmp(x);
      tmp.swap(*this);
      return *this;
    }
    void swap(CorbaConsumerBase& x)
    {
      CORBA::Object_var tmp = m_objref;
      m_objref = x.m_objref;
      x.m_objref = tmp;
    }
    virtual ~CorbaConsumerBase() {}

    // False for a nil reference, which leaves the consumer as it was.
    virtual bool setObject(CORBA::Object_ptr obj)
    {
      if (CORBA::is_nil(obj))
        return false;
      m_objref = CORBA::Object::_duplicate(obj);
      return true;
    }
    // Borrowed; nil while unconnected.
    virtual CORBA::Object_ptr getObject() { return m_objref.in(); }
    virtual void releaseObject() { m_objref = CORBA::Object::_nil(); }

  protected:
    CORBA::Object_var m_objref;
  };

  template <class ObjectType, typename ObjectTypePtr = typename ObjectType::_ptr_type,
            typename ObjectTypeVar = typename ObjectType::_var_type>
  class CorbaConsumer : public CorbaConsumerBase
  {
  public:
    CorbaConsumer() {}
    CorbaConsumer(const CorbaConsumer& x) : CorbaConsumerBase(x), m_var(x.m_var) {}
    CorbaConsumer& operator=(const CorbaConsumer& x)
    {
      CorbaConsumer tmp(x);
      tmp.swap(*this);
      return *this;
    }
    void swap(CorbaConsumer& x)
    {
      CorbaConsumerBase::swap(x);
      ObjectTypeVar tmp = m_var;
      m_var = x.m_var;
      x.m_var = tmp;
    }
    virtual ~CorbaConsumer() {}

    // A reference of another interface is refused and leaves the consumer unconnected.
    virtual bool setObject(CORBA::Object_ptr obj)
    {
      if (!CorbaConsumerBase::setObject(obj))
      {
        releaseObject();
        return false;
      }
      ObjectTypeVar narrowed = ObjectType::_narrow(m_objref.in());
      if (CORBA::is_nil(narrowed.in()))
      {
        releaseObject();
        return false;
      }
      m_var = narrowed;
      return true;
    }
    // Not duplicated; nil while unconnected, and a call on nil raises CORBA::INV_OBJREF.
    inline ObjectTypePtr _ptr() { return m_var.in(); }
    inline ObjectTypePtr operator->() { return m_var.in(); }
    virtual void releaseObject()
    {
      CorbaConsumerBase::releaseObject();
      m_var = ObjectType::_nil();
    }

  protected:
    ObjectTypeVar m_var;
  };
}

#endif
