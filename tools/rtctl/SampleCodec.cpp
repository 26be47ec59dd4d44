// The table of data types rtctl carries: the basic Timed* types of the middleware.
#include "SampleCodec.h"

#include "TypedCodec.h"
#include "ValueText.h"

#include <cstdint>
#include <limits>

namespace rtctl
{
  namespace
  {
    template <class SampleT, class Value>
    struct SignedTraits
    {
      typedef SampleT Sample;
      static bool parse(const std::string& text, Sample& sample)
      {
        std::int64_t value = 0;
        if (!ValueText::parseSigned(text, std::numeric_limits<Value>::min(), std::numeric_limits<Value>::max(), value))
          return false;
        sample.data = static_cast<Value>(value);
        return true;
      }
      static std::string format(const Sample& sample) { return std::to_string(sample.data); }
    };

    template <class SampleT, class Value>
    struct UnsignedTraits
    {
      typedef SampleT Sample;
      static bool parse(const std::string& text, Sample& sample)
      {
        std::uint64_t value = 0;
        if (!ValueText::parseUnsigned(text, std::numeric_limits<Value>::max(), value))
          return false;
        sample.data = static_cast<Value>(value);
        return true;
      }
      static std::string format(const Sample& sample) { return std::to_string(sample.data); }
    };

    struct ShortTraits : SignedTraits<RTC::TimedShort, CORBA::Short>
    {
      static const char* name() { return "TimedShort"; }
      static const char* description() { return "a 16-bit integer, -32768 to 32767"; }
    };
    struct StateTraits : SignedTraits<RTC::TimedState, CORBA::Short>
    {
      static const char* name() { return "TimedState"; }
      static const char* description() { return "a 16-bit integer, -32768 to 32767"; }
    };
    struct LongTraits : SignedTraits<RTC::TimedLong, CORBA::Long>
    {
      static const char* name() { return "TimedLong"; }
      static const char* description() { return "a 32-bit integer"; }
    };
    struct UShortTraits : UnsignedTraits<RTC::TimedUShort, CORBA::UShort>
    {
      static const char* name() { return "TimedUShort"; }
      static const char* description() { return "an unsigned 16-bit integer, 0 to 65535"; }
    };
    struct ULongTraits : UnsignedTraits<RTC::TimedULong, CORBA::ULong>
    {
      static const char* name() { return "TimedULong"; }
      static const char* description() { return "an unsigned 32-bit integer, 0 to 4294967295"; }
    };
    struct OctetTraits : UnsignedTraits<RTC::TimedOctet, CORBA::Octet>
    {
      static const char* name() { return "TimedOctet"; }
      static const char* description() { return "an octet, 0 to 255"; }
    };

    struct FloatTraits
    {
      typedef RTC::TimedFloat Sample;
      static const char* name() { return "TimedFloat"; }
      static const char* description() { return "a 32-bit floating-point number"; }
      static bool parse(const std::string& text, Sample& sample)
      {
        float value = 0;
        if (!ValueText::parseFloat(text, value))
          return false;
        sample.data = value;
        return true;
      }
      static std::string format(const Sample& sample) { return ValueText::formatFloat(sample.data); }
    };

    struct DoubleTraits
    {
      typedef RTC::TimedDouble Sample;
      static const char* name() { return "TimedDouble"; }
      static const char* description() { return "a 64-bit floating-point number"; }
      static bool parse(const std::string& text, Sample& sample)
      {
        double value = 0;
        if (!ValueText::parseDouble(text, value))
          return false;
        sample.data = value;
        return true;
      }
      static std::string format(const Sample& sample) { return ValueText::formatDouble(sample.data); }
    };

    struct CharTraits
    {
      typedef RTC::TimedChar Sample;
      static const char* name() { return "TimedChar"; }
      static const char* description() { return "a single character"; }
      static bool parse(const std::string& text, Sample& sample)
      {
        char value = 0;
        if (!ValueText::parseChar(text, value))
          return false;
        sample.data = value;
        return true;
      }
      static std::string format(const Sample& sample) { return ValueText::formatChar(sample.data); }
    };

    struct BooleanTraits
    {
      typedef RTC::TimedBoolean Sample;
      static const char* name() { return "TimedBoolean"; }
      static const char* description() { return "true or false"; }
      static bool parse(const std::string& text, Sample& sample)
      {
        bool value = false;
        if (!ValueText::parseBoolean(text, value))
          return false;
        sample.data = value;
        return true;
      }
      static std::string format(const Sample& sample) { return ValueText::formatBoolean(sample.data != 0); }
    };

    struct StringTraits
    {
      typedef RTC::TimedString Sample;
      static const char* name() { return "TimedString"; }
      static const char* description() { return "text without NUL characters"; }
      static bool parse(const std::string& text, Sample& sample)
      {
        if (text.find('\0') != std::string::npos)
          return false;
        sample.data = CORBA::string_dup(text.c_str());
        return true;
      }
      static std::string format(const Sample& sample)
      {
        const char* data = sample.data;
        return data != nullptr ? data : "";
      }
    };

    const SampleCodec* const* table(size_t& count)
    {
      static const TypedCodec<ShortTraits> shortCodec;
      static const TypedCodec<LongTraits> longCodec;
      static const TypedCodec<UShortTraits> ushortCodec;
      static const TypedCodec<ULongTraits> ulongCodec;
      static const TypedCodec<FloatTraits> floatCodec;
      static const TypedCodec<DoubleTraits> doubleCodec;
      static const TypedCodec<CharTraits> charCodec;
      static const TypedCodec<BooleanTraits> booleanCodec;
      static const TypedCodec<OctetTraits> octetCodec;
      static const TypedCodec<StringTraits> stringCodec;
      static const TypedCodec<StateTraits> stateCodec;
      static const SampleCodec* const codecs[] = {&longCodec, &shortCodec, &ushortCodec, &ulongCodec,
                                                  &floatCodec, &doubleCodec, &charCodec, &booleanCodec,
                                                  &octetCodec, &stringCodec, &stateCodec};
      count = sizeof codecs / sizeof codecs[0];
      return codecs;
    }
  }

  const SampleCodec* SampleCodec::find(const std::string& typeId)
  {
    size_t count = 0;
    const SampleCodec* const* codecs = table(count);
    for (size_t i = 0; i < count; ++i)
      if (codecs[i]->typeId() == typeId)
        return codecs[i];
    return nullptr;
  }

  std::vector<std::string> SampleCodec::supportedNames()
  {
    size_t count = 0;
    const SampleCodec* const* codecs = table(count);
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i)
      names.push_back(codecs[i]->typeName());
    return names;
  }
}
