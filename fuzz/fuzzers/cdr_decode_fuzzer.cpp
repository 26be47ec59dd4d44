// Fuzz target: decoding a data-port sample that a peer put on the wire.
//
// Input: one selector octet, then the CDR payload. The selector's low bit is the byte order the
// connector negotiated (0 little, 1 big); the rest picks the sample type. The payload therefore
// starts at an odd address, which also drives the decoder's copy-to-aligned path.
//
// Whatever the octets, decoding must return true or false without a sanitizer report. When it
// returns true, the sample must survive encode -> decode unchanged: otherwise a component would
// forward something other than what it received.
#include "Require.h"
#include "SampleEquality.h"

#include "transport/CdrCodec.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace
{

  template <class T>
  void decodeAndRoundTrip(const CORBA::Octet* data, std::size_t length, rtm::ByteOrder order)
  {
    T received;
    if (!rtm::cdrDecode(data, length, order, received))
    {
      return;  // refused: exactly what malformed input should get
    }
    rtm::CdrEncoder<T> encoder;
    fuzz::require(encoder.encode(received, order), "a decoded sample encodes again");
    T again;
    fuzz::require(rtm::cdrDecode(encoder.data(), encoder.size(), order, again), "a re-encoded sample decodes");
    fuzz::require(fuzz::sameSample(received, again), "decode(encode(sample)) == sample");
  }

  using Check = void (*)(const CORBA::Octet*, std::size_t, rtm::ByteOrder);

  // TimedLong first, so selector octets 0x00 and 0x01 are the common case in both byte orders.
  constexpr Check checks[] = {
    &decodeAndRoundTrip<RTC::TimedLong>,       &decodeAndRoundTrip<RTC::TimedDouble>,
    &decodeAndRoundTrip<RTC::TimedString>,     &decodeAndRoundTrip<RTC::TimedLongSeq>,
    &decodeAndRoundTrip<RTC::TimedStringSeq>,  &decodeAndRoundTrip<RTC::TimedWString>,
    &decodeAndRoundTrip<RTC::TimedOctetSeq>,   &decodeAndRoundTrip<RTC::TimedDoubleSeq>,
    &decodeAndRoundTrip<RTC::TimedWStringSeq>, &decodeAndRoundTrip<RTC::TimedBoolean>,
    &decodeAndRoundTrip<RTC::TimedBooleanSeq>, &decodeAndRoundTrip<RTC::TimedChar>,
    &decodeAndRoundTrip<RTC::TimedWChar>,      &decodeAndRoundTrip<RTC::TimedShort>,
    &decodeAndRoundTrip<RTC::TimedFloatSeq>,
  };

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  // omniORB logs each malformed string it meets; at fuzzing rates that buries the report.
  omniORB::traceLevel = 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
  {
    return 0;
  }
  const std::uint8_t selector = data[0];
  const auto order = (selector & 1) != 0 ? rtm::ByteOrder::Big : rtm::ByteOrder::Little;
  const Check check = checks[(selector >> 1) % std::size(checks)];
  check(data + 1, size - 1, order);
  return 0;
}
