// Fuzz target: the text a program hands CorbaNaming as a name ("host.host_cxt/Comp0.rtc"), and
// coil's escaping of the values it reads from files.
//
// Beyond "no crash", what programs rely on:
//  - a name is refused with InvalidName, never half-read: an accepted one has at least one part
//    and reads back the same from its own text (toName(toString(n)) == n);
//  - unescape undoes escape, whatever the text.
#include "Require.h"

#include <rtm/CorbaNaming.h>
#include <coil/stringutil.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace
{
  bool sameName(const CosNaming::Name& a, const CosNaming::Name& b)
  {
    if (a.length() != b.length())
      return false;
    for (CORBA::ULong i = 0; i < a.length(); ++i)
    {
      if (std::string(a[i].id) != std::string(b[i].id) || std::string(a[i].kind) != std::string(b[i].kind))
        return false;
    }
    return true;
  }

  CORBA::ORB_ptr fuzzOrb()
  {
    static CORBA::ORB_ptr orb = [] {
      int argc = 0;
      return CORBA::ORB_init(argc, nullptr);
    }();
    return orb;
  }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string text(reinterpret_cast<const char*>(data), size);
  fuzz::require(coil::unescape(coil::escape(text)) == text, "unescape(escape(s)) == s");

  // A C string ends at the first NUL, as the name a program passes does.
  const std::string name = text.substr(0, text.find('\0'));
  RTC::CorbaNaming sut(fuzzOrb());
  CosNaming::Name parsed;
  try
  {
    parsed = sut.toName(name.c_str());
  }
  catch (const RTC::CorbaNaming::InvalidName&)
  {
    return 0;
  }
  fuzz::require(parsed.length() > 0, "an accepted name has a part");
  const std::string written = sut.toString(parsed);
  try
  {
    fuzz::require(sameName(sut.toName(written.c_str()), parsed), "toName(toString(n)) == n");
  }
  catch (const RTC::CorbaNaming::InvalidName&)
  {
    fuzz::require(false, "the text of an accepted name is accepted");
  }
  return 0;
}
