// The object reference a service port's consumer holds: set by the port when a connection names
// a provider, released when that connection goes. Calls go straight through omniORB's proxy.
#ifndef RTM_CORBACONSUMER_H
#define RTM_CORBACONSUMER_H

#include <omniORB4/CORBA.h>

#include <atomic>
#include <chrono>
#include <utility>
#include <vector>

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
      retire(m_objref, m_retiredObjrefs);
      m_objref = CORBA::Object::_duplicate(obj);
      return true;
    }
    // Borrowed; nil while unconnected.
    virtual CORBA::Object_ptr getObject() { return m_objref.in(); }
    virtual void releaseObject()
    {
      retire(m_objref, m_retiredObjrefs);
      m_objref = CORBA::Object::_nil();
    }

  protected:
    // The component's thread calls through a borrowed pointer while the port replaces or releases
    // the reference on an ORB thread (a peer connecting or going). A reference let go is kept for a
    // minute, far beyond any call timeout, so a call in flight never runs on a freed proxy; what
    // is kept is bounded by how often the connections change.
    template <class Var>
    struct Retired
    {
      std::chrono::steady_clock::time_point at;
      Var reference;
    };

    template <class Var>
    static void retire(const Var& current, std::vector<Retired<Var>>& retired)
    {
      const std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
      typename std::vector<Retired<Var>>::iterator kept = retired.begin();
      while (kept != retired.end() && now - kept->at > std::chrono::seconds(60))
        ++kept;
      retired.erase(retired.begin(), kept);
      if (CORBA::is_nil(current.in()))
        return;
      Retired<Var> entry;
      entry.at = now;
      entry.reference = current;
      retired.push_back(entry);
    }

    CORBA::Object_var m_objref;

  private:
    std::vector<Retired<CORBA::Object_var>> m_retiredObjrefs;
  };

  template <class ObjectType, typename ObjectTypePtr = typename ObjectType::_ptr_type,
            typename ObjectTypeVar = typename ObjectType::_var_type>
  class CorbaConsumer : public CorbaConsumerBase
  {
  public:
    CorbaConsumer() : m_published(ObjectType::_nil()) {}
    CorbaConsumer(const CorbaConsumer& x) : CorbaConsumerBase(x), m_var(x.m_var), m_published(m_var.in()) {}
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
      publish();
      x.publish();
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
      retire(m_var, m_retiredVars);
      m_var = narrowed;
      publish();
      return true;
    }
    // Not duplicated; nil while unconnected, and a call on nil raises CORBA::INV_OBJREF.
    inline ObjectTypePtr _ptr() { return m_published.load(std::memory_order_acquire); }
    inline ObjectTypePtr operator->() { return _ptr(); }
    virtual void releaseObject()
    {
      CorbaConsumerBase::releaseObject();
      retire(m_var, m_retiredVars);
      m_var = ObjectType::_nil();
      publish();
    }

  protected:
    ObjectTypeVar m_var;

  private:
    // What _ptr() hands the component's thread, published after m_var changed on the port's.
    void publish() { m_published.store(m_var.in(), std::memory_order_release); }

    std::atomic<ObjectTypePtr> m_published;
    std::vector<Retired<ObjectTypeVar>> m_retiredVars;
  };
}

#endif
