// Fuzz target: the values rtctl's inject takes as text for the data types it writes through their
// TypeCodes (ValueSyntax, then TypeCodeText).
//
// The input: the first octet picks the type (its value modulo the table's size, in the table's
// order below), the rest is the text.
#include "Require.h"

#include "client/ScratchCdrStream.h"
#include "client/TypeCodeText.h"

#include <rtm/idl/InterfaceDataTypes.hh>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace
{
  // Each kind of member the walker meets: nested structs, lists of structs, enums, strings, wide
  // text, octets, booleans in structs, and a type without a time stamp.
  const CORBA::TypeCode_ptr* const types[] = {
    &RTC::_tc_TimedPose2D,  &RTC::_tc_CameraImage,     &RTC::_tc_RangeData,    &RTC::_tc_Features,
    &RTC::_tc_GripperState, &RTC::_tc_TimedStringSeq,  &RTC::_tc_TimedWString, &RTC::_tc_TimedWChar,
    &RTC::_tc_Hypotheses3D, &RTC::_tc_TimedBooleanSeq, &RTC::_tc_LimbState,    &RTC::_tc_Pose3D,
  };

  std::string octetsOf(rtctl::ScratchCdrStream& stream)
  {
    return std::string(static_cast<const char*>(stream.bufPtr()), stream.bufSize());
  }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return 0;
  const CORBA::TypeCode_ptr type = *types[data[0] % (sizeof types / sizeof types[0])];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

  rtctl::ScratchCdrStream first;
  std::string error;
  if (!rtctl::TypeCodeText::encodeSample(type, text, first, error))
  {
    fuzz::require(!error.empty(), "a refusal says why");
    fuzz::require(error.find('\n') == std::string::npos, "a refusal is one line");
    return 0;
  }
  // What print would show of the value is taken back as the same value.
  first.rewindInputPtr();
  const std::string shown = rtctl::TypeCodeText::decodeSample(type, first);
  rtctl::ScratchCdrStream second;
  fuzz::require(rtctl::TypeCodeText::encodeSample(type, shown, second, error), "what is shown is taken back");
  fuzz::require(octetsOf(first) == octetsOf(second), "what is shown is the same value");
  return 0;
}
