// Field-by-field equality of decoded samples, for the round-trip invariant. The generated types
// have no operator==, and comparing their encodings would hide a decoder that loses the same
// information every time.
#pragma once

#include <omniORB4/CORBA.h>
#include <rtm/idl/BasicDataType.hh>

#include <cstring>
#include <type_traits>

namespace fuzz
{

  // Numbers compare by representation: a NaN must come back as the same NaN.
  template <class V>
  std::enable_if_t<std::is_arithmetic_v<V>, bool> sameValue(V a, V b)
  {
    return std::memcmp(&a, &b, sizeof a) == 0;
  }

  inline bool sameValue(const char* a, const char* b)
  {
    if (a == nullptr || b == nullptr)
      return a == b;
    return std::strcmp(a, b) == 0;
  }

  inline bool sameValue(const CORBA::WChar* a, const CORBA::WChar* b)
  {
    if (a == nullptr || b == nullptr)
      return a == b;
    for (; *a != 0 && *a == *b; ++a, ++b)
    {}
    return *a == *b;
  }

  inline bool sameValue(const CORBA::String_member& a, const CORBA::String_member& b)
  {
    return sameValue(a.in(), b.in());
  }

  inline bool sameValue(const CORBA::WString_member& a, const CORBA::WString_member& b)
  {
    return sameValue(a.in(), b.in());
  }

  // Any sequence: same length, same elements.
  template <class S>
  auto sameValue(const S& a, const S& b) -> decltype(a.length(), a[0], bool())
  {
    if (a.length() != b.length())
      return false;
    for (CORBA::ULong i = 0; i < a.length(); ++i)
    {
      if (!sameValue(a[i], b[i]))
        return false;
    }
    return true;
  }

  // Every Timed* type is a time stamp and one `data` member.
  template <class T>
  bool sameSample(const T& a, const T& b)
  {
    return a.tm.sec == b.tm.sec && a.tm.nsec == b.tm.nsec && sameValue(a.data, b.data);
  }

}  // namespace fuzz
