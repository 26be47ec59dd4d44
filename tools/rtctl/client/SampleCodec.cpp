// The table of data types rtctl carries: the basic Timed* types of the middleware and the
// sequences of their numbers, each one element conversion (text <-> value) put into either a
// scalar or a sequence shape; then every other data type of the middleware, written through its
// TypeCode (TypeCodeText).
#include "client/SampleCodec.h"

// Before TypedCodec.h, whose ports must see these types' Any operators.
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/idl/ExtendedDataTypesSkel.h>
#include <rtm/idl/InterfaceDataTypesSkel.h>

#include "client/ScratchCdrStream.h"
#include "client/TypeCodeText.h"
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

    // A sample type whose text is walked by its TypeCode (Self::typeCode()): text -> CDR -> the
    // generated struct, and back, so the struct's own generated code does the marshalling.
    template <class Self, class SampleT>
    struct TypeCodeShape
    {
      typedef SampleT Sample;
      static const char* description() { return "a value written {field: value, ...}, [item, ...] or as a scalar"; }
      static bool explain(const std::string& text, Sample& sample, std::string& error)
      {
        try
        {
          ScratchCdrStream stream;
          if (!TypeCodeText::encodeSample(Self::typeCode(), text, stream, error))
            return false;
          Sample next;
          stream.rewindInputPtr();
          next <<= stream;
          sample = next;
          return true;
        }
        catch (...)
        {
          error = "it does not make a value of the type";
          return false;
        }
      }
      static bool parse(const std::string& text, Sample& sample)
      {
        std::string error;
        return explain(text, sample, error);
      }
      static std::string format(const Sample& sample)
      {
        try
        {
          ScratchCdrStream stream;
          sample >>= stream;
          stream.rewindInputPtr();
          return TypeCodeText::decodeSample(Self::typeCode(), stream);
        }
        catch (...)
        {
          return "(a sample rtctl cannot show)";
        }
      }
    };

#define RTCTL_TYPECODE_TYPE(Name)                                                                                      \
  struct Name##Text : TypeCodeShape<Name##Text, RTC::Name>                                                             \
  {                                                                                                                    \
    static const char* name() { return #Name; }                                                                        \
    static CORBA::TypeCode_ptr typeCode() { return RTC::_tc_##Name; }                                                  \
  };
    // Every type with a `tm` that the table above does not have, in the order of their IDL files.
    RTCTL_TYPECODE_TYPE(TimedWChar)
    RTCTL_TYPECODE_TYPE(TimedWString)
    RTCTL_TYPECODE_TYPE(TimedCharSeq)
    RTCTL_TYPECODE_TYPE(TimedWCharSeq)
    RTCTL_TYPECODE_TYPE(TimedBooleanSeq)
    RTCTL_TYPECODE_TYPE(TimedStringSeq)
    RTCTL_TYPECODE_TYPE(TimedWStringSeq)
    RTCTL_TYPECODE_TYPE(TimedRGBColour)
    RTCTL_TYPECODE_TYPE(TimedPoint2D)
    RTCTL_TYPECODE_TYPE(TimedVector2D)
    RTCTL_TYPECODE_TYPE(TimedPose2D)
    RTCTL_TYPECODE_TYPE(TimedVelocity2D)
    RTCTL_TYPECODE_TYPE(TimedAcceleration2D)
    RTCTL_TYPECODE_TYPE(TimedPoseVel2D)
    RTCTL_TYPECODE_TYPE(TimedSize2D)
    RTCTL_TYPECODE_TYPE(TimedGeometry2D)
    RTCTL_TYPECODE_TYPE(TimedCovariance2D)
    RTCTL_TYPECODE_TYPE(TimedPointCovariance2D)
    RTCTL_TYPECODE_TYPE(TimedCarlike)
    RTCTL_TYPECODE_TYPE(TimedSpeedHeading2D)
    RTCTL_TYPECODE_TYPE(TimedPoint3D)
    RTCTL_TYPECODE_TYPE(TimedVector3D)
    RTCTL_TYPECODE_TYPE(TimedOrientation3D)
    RTCTL_TYPECODE_TYPE(TimedPose3D)
    RTCTL_TYPECODE_TYPE(TimedVelocity3D)
    RTCTL_TYPECODE_TYPE(TimedAngularVelocity3D)
    RTCTL_TYPECODE_TYPE(TimedAcceleration3D)
    RTCTL_TYPECODE_TYPE(TimedAngularAcceleration3D)
    RTCTL_TYPECODE_TYPE(TimedPoseVel3D)
    RTCTL_TYPECODE_TYPE(TimedSize3D)
    RTCTL_TYPECODE_TYPE(TimedGeometry3D)
    RTCTL_TYPECODE_TYPE(TimedCovariance3D)
    RTCTL_TYPECODE_TYPE(TimedSpeedHeading3D)
    RTCTL_TYPECODE_TYPE(TimedOAP)
    RTCTL_TYPECODE_TYPE(TimedQuaternion)
    RTCTL_TYPECODE_TYPE(ActArrayActuatorPos)
    RTCTL_TYPECODE_TYPE(ActArrayActuatorSpeed)
    RTCTL_TYPECODE_TYPE(ActArrayActuatorCurrent)
    RTCTL_TYPECODE_TYPE(ActArrayState)
    RTCTL_TYPECODE_TYPE(CameraImage)
    RTCTL_TYPECODE_TYPE(Fiducials)
    RTCTL_TYPECODE_TYPE(GPSData)
    RTCTL_TYPECODE_TYPE(GripperState)
    RTCTL_TYPECODE_TYPE(INSData)
    RTCTL_TYPECODE_TYPE(LimbState)
    RTCTL_TYPECODE_TYPE(Hypotheses2D)
    RTCTL_TYPECODE_TYPE(Hypotheses3D)
    RTCTL_TYPECODE_TYPE(Features)
    RTCTL_TYPECODE_TYPE(MultiCameraImages)
    RTCTL_TYPECODE_TYPE(Path2D)
    RTCTL_TYPECODE_TYPE(Path3D)
    RTCTL_TYPECODE_TYPE(PointCloud)
    RTCTL_TYPECODE_TYPE(PanTiltAngles)
    RTCTL_TYPECODE_TYPE(PanTiltState)
    RTCTL_TYPECODE_TYPE(RangeData)
    RTCTL_TYPECODE_TYPE(IntensityData)
    // The plain structs, which ports carry as well, unstamped.
    RTCTL_TYPECODE_TYPE(Time)
    RTCTL_TYPECODE_TYPE(RGBColour)
    RTCTL_TYPECODE_TYPE(Point2D)
    RTCTL_TYPECODE_TYPE(Vector2D)
    RTCTL_TYPECODE_TYPE(Pose2D)
    RTCTL_TYPECODE_TYPE(Velocity2D)
    RTCTL_TYPECODE_TYPE(Acceleration2D)
    RTCTL_TYPECODE_TYPE(PoseVel2D)
    RTCTL_TYPECODE_TYPE(Size2D)
    RTCTL_TYPECODE_TYPE(Geometry2D)
    RTCTL_TYPECODE_TYPE(Covariance2D)
    RTCTL_TYPECODE_TYPE(PointCovariance2D)
    RTCTL_TYPECODE_TYPE(Carlike)
    RTCTL_TYPECODE_TYPE(SpeedHeading2D)
    RTCTL_TYPECODE_TYPE(Point3D)
    RTCTL_TYPECODE_TYPE(Vector3D)
    RTCTL_TYPECODE_TYPE(Orientation3D)
    RTCTL_TYPECODE_TYPE(Pose3D)
    RTCTL_TYPECODE_TYPE(Velocity3D)
    RTCTL_TYPECODE_TYPE(AngularVelocity3D)
    RTCTL_TYPECODE_TYPE(Acceleration3D)
    RTCTL_TYPECODE_TYPE(AngularAcceleration3D)
    RTCTL_TYPECODE_TYPE(PoseVel3D)
    RTCTL_TYPECODE_TYPE(Size3D)
    RTCTL_TYPECODE_TYPE(Geometry3D)
    RTCTL_TYPECODE_TYPE(Covariance3D)
    RTCTL_TYPECODE_TYPE(SpeedHeading3D)
    RTCTL_TYPECODE_TYPE(OAP)
    RTCTL_TYPECODE_TYPE(Quaternion)
    RTCTL_TYPECODE_TYPE(Actuator)
    RTCTL_TYPECODE_TYPE(ActArrayActuatorGeometry)
    RTCTL_TYPECODE_TYPE(ActArrayGeometry)
    RTCTL_TYPECODE_TYPE(BumperGeometry)
    RTCTL_TYPECODE_TYPE(BumperArrayGeometry)
    RTCTL_TYPECODE_TYPE(CameraInfo)
    RTCTL_TYPECODE_TYPE(FiducialInfo)
    RTCTL_TYPECODE_TYPE(FiducialFOV)
    RTCTL_TYPECODE_TYPE(GPSTime)
    RTCTL_TYPECODE_TYPE(GripperGeometry)
    RTCTL_TYPECODE_TYPE(Hypothesis2D)
    RTCTL_TYPECODE_TYPE(Hypothesis3D)
    RTCTL_TYPECODE_TYPE(OGMapConfig)
    RTCTL_TYPECODE_TYPE(OGMapTile)
    RTCTL_TYPECODE_TYPE(PointFeature)
    RTCTL_TYPECODE_TYPE(PoseFeature)
    RTCTL_TYPECODE_TYPE(LineFeature)
    RTCTL_TYPECODE_TYPE(MulticameraGeometry)
    RTCTL_TYPECODE_TYPE(Waypoint2D)
    RTCTL_TYPECODE_TYPE(Waypoint3D)
    RTCTL_TYPECODE_TYPE(PointCloudPoint)
    RTCTL_TYPECODE_TYPE(RangerGeometry)
    RTCTL_TYPECODE_TYPE(RangerConfig)
#undef RTCTL_TYPECODE_TYPE

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

    template <class... Traits>
    struct TypeCodeTable
    {
      static const std::vector<const SampleCodec*>& codecs()
      {
        static const std::tuple<TypeCodeCodec<Traits>...> instances;
        static const std::vector<const SampleCodec*> pointers = {&std::get<TypeCodeCodec<Traits>>(instances)...};
        return pointers;
      }
    };

    const std::vector<const SampleCodec*>& typeCodeCodecs()
    {
      return TypeCodeTable<
        TimedWCharText, TimedWStringText, TimedCharSeqText, TimedWCharSeqText, TimedBooleanSeqText, TimedStringSeqText,
        TimedWStringSeqText, TimedRGBColourText, TimedPoint2DText, TimedVector2DText, TimedPose2DText,
        TimedVelocity2DText, TimedAcceleration2DText, TimedPoseVel2DText, TimedSize2DText, TimedGeometry2DText,
        TimedCovariance2DText, TimedPointCovariance2DText, TimedCarlikeText, TimedSpeedHeading2DText, TimedPoint3DText,
        TimedVector3DText, TimedOrientation3DText, TimedPose3DText, TimedVelocity3DText, TimedAngularVelocity3DText,
        TimedAcceleration3DText, TimedAngularAcceleration3DText, TimedPoseVel3DText, TimedSize3DText,
        TimedGeometry3DText, TimedCovariance3DText, TimedSpeedHeading3DText, TimedOAPText, TimedQuaternionText,
        ActArrayActuatorPosText, ActArrayActuatorSpeedText, ActArrayActuatorCurrentText, ActArrayStateText,
        CameraImageText, FiducialsText, GPSDataText, GripperStateText, INSDataText, LimbStateText, Hypotheses2DText,
        Hypotheses3DText, FeaturesText, MultiCameraImagesText, Path2DText, Path3DText, PointCloudText,
        PanTiltAnglesText, PanTiltStateText, RangeDataText, IntensityDataText, TimeText, RGBColourText, Point2DText,
        Vector2DText, Pose2DText, Velocity2DText, Acceleration2DText, PoseVel2DText, Size2DText, Geometry2DText,
        Covariance2DText, PointCovariance2DText, CarlikeText, SpeedHeading2DText, Point3DText, Vector3DText,
        Orientation3DText, Pose3DText, Velocity3DText, AngularVelocity3DText, Acceleration3DText,
        AngularAcceleration3DText, PoseVel3DText, Size3DText, Geometry3DText, Covariance3DText, SpeedHeading3DText,
        OAPText, QuaternionText, ActuatorText, ActArrayActuatorGeometryText, ActArrayGeometryText, BumperGeometryText,
        BumperArrayGeometryText, CameraInfoText, FiducialInfoText, FiducialFOVText, GPSTimeText, GripperGeometryText,
        Hypothesis2DText, Hypothesis3DText, OGMapConfigText, OGMapTileText, PointFeatureText, PoseFeatureText,
        LineFeatureText, MulticameraGeometryText, Waypoint2DText, Waypoint3DText, PointCloudPointText,
        RangerGeometryText, RangerConfigText>::codecs();
    }

    const std::vector<const SampleCodec*>& basicCodecs()
    {
      return Table<LongTraits, ShortTraits, UShortTraits, ULongTraits, FloatTraits, DoubleTraits, CharTraits,
                   BooleanTraits, OctetTraits, StringTraits, StateTraits, LongSeqTraits, ShortSeqTraits,
                   UShortSeqTraits, ULongSeqTraits, FloatSeqTraits, DoubleSeqTraits, OctetSeqTraits>::codecs();
    }

    const std::vector<const SampleCodec*>& codecs()
    {
      static const std::vector<const SampleCodec*> all = [] {
        std::vector<const SampleCodec*> list = basicCodecs();
        list.insert(list.end(), typeCodeCodecs().begin(), typeCodeCodecs().end());
        return list;
      }();
      return all;
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
