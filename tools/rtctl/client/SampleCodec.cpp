// The table of data types rtctl carries: the basic Timed* types of the middleware and the
// sequences of their numbers. Each is one element conversion (text <-> value) put into either a
// scalar or a sequence shape.
#include "client/SampleCodec.h"

#include "client/TypedCodec.h"
#include "client/ValueText.h"

#include <cstdint>
#include <limits>
#include <tuple>
#include <type_traits>
#include <vector>

namespace rtctl
{
  namespace
  {
    template <class Value>
    bool parseInteger(const std::string& text, Value& out)
    {
      if constexpr (std::is_signed<Value>::value)
      {
        std::int64_t value = 0;
        if (!ValueText::parseSigned(text, std::numeric_limits<Value>::min(), std::numeric_limits<Value>::max(), value))
          return false;
        out = static_cast<Value>(value);
        return true;
      }
      else
      {
        std::uint64_t value = 0;
        if (!ValueText::parseUnsigned(text, std::numeric_limits<Value>::max(), value))
          return false;
        out = static_cast<Value>(value);
        return true;
      }
    }

    template <class Value>
    std::string formatInteger(Value value)
    {
      return std::to_string(value);
    }

    template <class Value>
    struct Conversion
    {
      typedef bool (*Parse)(const std::string&, Value&);
      typedef std::string (*Format)(Value);
    };

    // One value in `data`.
    template <class SampleT, class Value, typename Conversion<Value>::Parse parseValue,
              typename Conversion<Value>::Format formatValue>
    struct Scalar
    {
      typedef SampleT Sample;
      static bool parse(const std::string& text, Sample& sample)
      {
        Value value = Value();
        if (!parseValue(text, value))
          return false;
        sample.data = value;
        return true;
      }
      static std::string format(const Sample& sample) { return formatValue(sample.data); }
    };

    // Values separated by blanks or commas in `data`, printed separated by one blank.
    template <class SampleT, class Value, typename Conversion<Value>::Parse parseValue,
              typename Conversion<Value>::Format formatValue>
    struct Sequence
    {
      typedef SampleT Sample;
      static bool parse(const std::string& text, Sample& sample)
      {
        std::vector<Value> values;
        std::string::size_type start = 0;
        while ((start = text.find_first_not_of(" \t,", start)) != std::string::npos)
        {
          const std::string::size_type end = text.find_first_of(" \t,", start);
          Value value = Value();
          if (!parseValue(text.substr(start, end == std::string::npos ? std::string::npos : end - start), value))
            return false;
          values.push_back(value);
          start = end;
        }
        sample.data.length(static_cast<CORBA::ULong>(values.size()));
        for (CORBA::ULong i = 0; i < values.size(); ++i)
          sample.data[i] = values[i];
        return true;
      }
      static std::string format(const Sample& sample)
      {
        std::string text;
        for (CORBA::ULong i = 0; i < sample.data.length(); ++i)
          text += (i == 0 ? "" : " ") + formatValue(sample.data[i]);
        return text;
      }
    };

#define RTCTL_TYPE(Traits, Shape, SampleT, Value, parseValue, formatValue, typeName, what)                             \
  struct Traits : Shape<SampleT, Value, parseValue, formatValue>                                                       \
  {                                                                                                                    \
    static const char* name() { return typeName; }                                                                     \
    static const char* description() { return what; }                                                                  \
  }

    RTCTL_TYPE(LongTraits, Scalar, RTC::TimedLong, CORBA::Long, parseInteger, formatInteger, "TimedLong",
               "a 32-bit integer");
    RTCTL_TYPE(ShortTraits, Scalar, RTC::TimedShort, CORBA::Short, parseInteger, formatInteger, "TimedShort",
               "a 16-bit integer, -32768 to 32767");
    RTCTL_TYPE(UShortTraits, Scalar, RTC::TimedUShort, CORBA::UShort, parseInteger, formatInteger, "TimedUShort",
               "an unsigned 16-bit integer, 0 to 65535");
    RTCTL_TYPE(ULongTraits, Scalar, RTC::TimedULong, CORBA::ULong, parseInteger, formatInteger, "TimedULong",
               "an unsigned 32-bit integer, 0 to 4294967295");
    RTCTL_TYPE(OctetTraits, Scalar, RTC::TimedOctet, CORBA::Octet, parseInteger, formatInteger, "TimedOctet",
               "an octet, 0 to 255");
    RTCTL_TYPE(StateTraits, Scalar, RTC::TimedState, CORBA::Short, parseInteger, formatInteger, "TimedState",
               "a 16-bit integer, -32768 to 32767");
    RTCTL_TYPE(FloatTraits, Scalar, RTC::TimedFloat, float, &ValueText::parseFloat, &ValueText::formatFloat,
               "TimedFloat", "a 32-bit floating-point number");
    RTCTL_TYPE(DoubleTraits, Scalar, RTC::TimedDouble, double, &ValueText::parseDouble, &ValueText::formatDouble,
               "TimedDouble", "a 64-bit floating-point number");
    RTCTL_TYPE(CharTraits, Scalar, RTC::TimedChar, char, &ValueText::parseChar, &ValueText::formatChar, "TimedChar",
               "a single character");
    RTCTL_TYPE(BooleanTraits, Scalar, RTC::TimedBoolean, bool, &ValueText::parseBoolean, &ValueText::formatBoolean,
               "TimedBoolean", "true or false");

    RTCTL_TYPE(LongSeqTraits, Sequence, RTC::TimedLongSeq, CORBA::Long, parseInteger, formatInteger, "TimedLongSeq",
               "32-bit integers separated by blanks or commas");
    RTCTL_TYPE(ShortSeqTraits, Sequence, RTC::TimedShortSeq, CORBA::Short, parseInteger, formatInteger, "TimedShortSeq",
               "16-bit integers separated by blanks or commas");
    RTCTL_TYPE(UShortSeqTraits, Sequence, RTC::TimedUShortSeq, CORBA::UShort, parseInteger, formatInteger,
               "TimedUShortSeq", "unsigned 16-bit integers separated by blanks or commas");
    RTCTL_TYPE(ULongSeqTraits, Sequence, RTC::TimedULongSeq, CORBA::ULong, parseInteger, formatInteger, "TimedULongSeq",
               "unsigned 32-bit integers separated by blanks or commas");
    RTCTL_TYPE(OctetSeqTraits, Sequence, RTC::TimedOctetSeq, CORBA::Octet, parseInteger, formatInteger, "TimedOctetSeq",
               "octets (0 to 255) separated by blanks or commas");
    RTCTL_TYPE(FloatSeqTraits, Sequence, RTC::TimedFloatSeq, float, &ValueText::parseFloat, &ValueText::formatFloat,
               "TimedFloatSeq", "32-bit floating-point numbers separated by blanks or commas");
    RTCTL_TYPE(DoubleSeqTraits, Sequence, RTC::TimedDoubleSeq, double, &ValueText::parseDouble,
               &ValueText::formatDouble, "TimedDoubleSeq",
               "64-bit floating-point numbers separated by blanks or commas");
#undef RTCTL_TYPE

    struct StringTraits
    {
      typedef RTC::TimedString Sample;
      static const char* name() { return "TimedString"; }
      static const char* description() { return "text without NUL characters"; }
      static bool parse(const std::string& text, Sample& sample)
      {
        // A CORBA string ends at its first NUL: refuse what would arrive cut short.
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

    template <class... Traits>
    struct Table
    {
      static const std::vector<const SampleCodec*>& codecs()
      {
        static const std::tuple<TypedCodec<Traits>...> instances;
        static const std::vector<const SampleCodec*> pointers = {&std::get<TypedCodec<Traits>>(instances)...};
        return pointers;
      }
    };

    const std::vector<const SampleCodec*>& codecs()
    {
      return Table<LongTraits, ShortTraits, UShortTraits, ULongTraits, FloatTraits, DoubleTraits, CharTraits,
                   BooleanTraits, OctetTraits, StringTraits, StateTraits, LongSeqTraits, ShortSeqTraits,
                   UShortSeqTraits, ULongSeqTraits, FloatSeqTraits, DoubleSeqTraits, OctetSeqTraits>::codecs();
    }
  }

  const SampleCodec* SampleCodec::find(const std::string& typeId)
  {
    for (const SampleCodec* codec : codecs())
      if (codec->typeId() == typeId)
        return codec;
    return nullptr;
  }

  std::vector<std::string> SampleCodec::supportedNames()
  {
    std::vector<std::string> names;
    for (const SampleCodec* codec : codecs())
      names.push_back(codec->typeName());
    return names;
  }
}
