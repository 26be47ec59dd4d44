// The SampleOps of one IDL-generated type; one shared instance per type.
//
// Not API: InPort<T> and OutPort<T> include it, components never do.
#ifndef RTM_TYPEDSAMPLEOPS_H
#define RTM_TYPEDSAMPLEOPS_H

#include <rtm/detail/SampleOps.h>
// omniidl declares the Any operators of a type at global scope, where a template finds them only
// if they were declared before it: the basic data types are, other IDL types must be included
// before this header.
#include <rtm/idl/BasicDataTypeSkel.h>
#include <string>

namespace rtm
{
  namespace sampleops
  {
    // omniORB copies a boolean sequence's octets straight into bool storage, so a peer's octet
    // other than 0 or 1 would make a bool with no valid value. Lone booleans are already read as
    // "nonzero is true"; sequences get the same rule, touching the storage as octets only.
    template <class T>
    void canonicalBooleans(T&)
    {}

    inline void canonicalBooleans(RTC::TimedBooleanSeq& sample)
    {
      unsigned char* octets = reinterpret_cast<unsigned char*>(sample.data.get_buffer());
      for (CORBA::ULong i = 0; i < sample.data.length(); ++i)
        octets[i] = octets[i] != 0 ? 1 : 0;
    }
  }

  template <class T>
  class TypedSampleOps : public SampleOps
  {
  public:
    static const SampleOps& instance()
    {
      static const TypedSampleOps<T> ops;
      return ops;
    }

    virtual const char* typeId() const { return m_typeId.c_str(); }
    virtual std::shared_ptr<void> create() const { return std::make_shared<T>(); }
    virtual void copy(void* to, const void* from) const { *static_cast<T*>(to) = *static_cast<const T*>(from); }
    virtual void marshal(const void* sample, cdrStream& out) const { *static_cast<const T*>(sample) >>= out; }
    virtual void unmarshal(void* sample, cdrStream& in) const
    {
      T& typed = *static_cast<T*>(sample);
      typed <<= in;
      sampleops::canonicalBooleans(typed);
    }
    virtual void toAny(CORBA::Any& any, const void* sample) const { any <<= *static_cast<const T*>(sample); }

  private:
    // omniORB has no compile-time map from a type to its ID, but the Any insertion omniidl
    // generates carries the type's TypeCode.
    TypedSampleOps()
    {
      CORBA::Any any;
      any <<= T();
      CORBA::TypeCode_var type = any.type();
      m_typeId = type->id();
    }
    std::string m_typeId;
  };
}

#endif
