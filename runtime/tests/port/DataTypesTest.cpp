// Every data type of the middleware travels from an OutPort to an InPort of another component
// and arrives equal, under its own repository id. Values are made from each type's TypeCode, so a
// type added to the list is covered without writing a value for it by hand.
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/idl/ExtendedDataTypesSkel.h>
#include <rtm/idl/InterfaceDataTypesSkel.h>

#include "PortFixture.h"
#include "transport/CdrCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace porttest;

namespace
{
  // Writes a value of `type` whose every number, string and length differs from zero and from its
  // neighbours, so a field dropped, swapped or cut short shows as a difference.
  void marshalDistinctValue(CORBA::TypeCode_ptr type, cdrStream& out, unsigned& counter)
  {
    const unsigned n = ++counter;
    switch (type->kind())
    {
      case CORBA::tk_alias:
      {
        CORBA::TypeCode_var content = type->content_type();
        marshalDistinctValue(content, out, counter);
        break;
      }
      case CORBA::tk_struct:
        for (CORBA::ULong i = 0; i < type->member_count(); ++i)
        {
          CORBA::TypeCode_var member = type->member_type(i);
          marshalDistinctValue(member, out, counter);
        }
        break;
      case CORBA::tk_sequence:
      {
        CORBA::TypeCode_var element = type->content_type();
        const CORBA::ULong length = 2 + n % 2;
        length >>= out;
        for (CORBA::ULong i = 0; i < length; ++i)
          marshalDistinctValue(element, out, counter);
        break;
      }
      case CORBA::tk_enum:
        CORBA::ULong(n % type->member_count()) >>= out;
        break;
      case CORBA::tk_boolean:
        out.marshalBoolean(n % 2 == 1);
        break;
      case CORBA::tk_char:
        out.marshalChar(static_cast<char>('a' + n % 26));
        break;
      case CORBA::tk_wchar:
        out.marshalWChar(static_cast<CORBA::WChar>(0x3b1 + n % 24));  // Greek letters: beyond one octet
        break;
      case CORBA::tk_octet:
        out.marshalOctet(static_cast<CORBA::Octet>(n));
        break;
      case CORBA::tk_short:
        CORBA::Short(-static_cast<int>(n)) >>= out;
        break;
      case CORBA::tk_ushort:
        CORBA::UShort(n) >>= out;
        break;
      case CORBA::tk_long:
        CORBA::Long(-100000 * static_cast<int>(n)) >>= out;
        break;
      case CORBA::tk_ulong:
        CORBA::ULong(100000u * n) >>= out;
        break;
      case CORBA::tk_float:
        CORBA::Float(n + 0.25f) >>= out;
        break;
      case CORBA::tk_double:
        CORBA::Double(n * 1.5e10 + 0.125) >>= out;
        break;
      case CORBA::tk_string:
        out.marshalString(("s" + std::to_string(n)).c_str());
        break;
      case CORBA::tk_wstring:
      {
        const CORBA::WChar text[] = {0x3b1, static_cast<CORBA::WChar>('0' + n % 10), 0};
        out.marshalWString(text);
        break;
      }
      default:
        FAIL() << "no value for a TypeCode of kind " << type->kind();
    }
  }

  template <class T>
  CORBA::TypeCode_var typeCodeOf()
  {
    CORBA::Any any;
    any <<= T();
    return any.type();
  }

  template <class T>
  T distinctValue()
  {
    rtm::detail::CdrMemoryStream stream;
    unsigned counter = 0;
    CORBA::TypeCode_var type = typeCodeOf<T>();
    marshalDistinctValue(type, stream, counter);
    T value;
    value <<= stream;
    return value;
  }

  // Equal values marshal to equal octets: every field counts, padding is zeroed.
  template <class T>
  std::vector<CORBA::Octet> octetsOf(const T& value)
  {
    rtm::detail::CdrMemoryStream stream;
    value >>= stream;
    const auto* begin = static_cast<const CORBA::Octet*>(stream.bufPtr());
    return std::vector<CORBA::Octet>(begin, begin + stream.bufSize());
  }

  template <class T>
  class DataTypesTest : public ::testing::Test
  {};

  struct TypeNames
  {
    template <class T>
    static std::string GetName(int)
    {
      return T::name();
    }
  };

#define RTM_TIMED_TYPE(Name)                                                                                           \
  struct Name##Type                                                                                                    \
  {                                                                                                                    \
    typedef RTC::Name Sample;                                                                                          \
    static const char* name() { return #Name; }                                                                        \
  };
#define RTM_PLAIN_TYPE(Name) RTM_TIMED_TYPE(Name)
#include "testsupport/DataTypeList.h"
#undef RTM_TIMED_TYPE
#undef RTM_PLAIN_TYPE

  // The macros put a comma before each type, so the list starts with a placeholder to drop.
  template <class Placeholder, class... Types>
  struct DropFirst
  {
    typedef ::testing::Types<Types...> type;
  };
#define RTM_TIMED_TYPE(Name) , Name##Type
#define RTM_PLAIN_TYPE(Name) , Name##Type
  typedef DropFirst<void
#include "testsupport/DataTypeList.h"
                    >::type AllDataTypes;
#undef RTM_TIMED_TYPE
#undef RTM_PLAIN_TYPE
}

TYPED_TEST_SUITE(DataTypesTest, AllDataTypes, TypeNames);

TYPED_TEST(DataTypesTest, AValueWrittenArrivesEqualUnderItsRepositoryId)
{
  typedef typename TypeParam::Sample Sample;
  const std::string typeId = std::string("IDL:RTC/") + TypeParam::name() + ":1.0";
  Sample sent{};
  Sample received{};
  Host host{"T"};
  RTC::OutPort<Sample> out("o", sent);
  RTC::InPort<Sample> in("i", received);
  host.addOut("o", out);
  host.addIn("i", in);
  RTC::ConnectorProfile cp = profileFor({out.getPortRef(), in.getPortRef()}, {{"dataport.data_type", typeId}});
  ASSERT_EQ(RTC::RTC_OK, connectVia(out.getPortRef(), cp));

  sent = distinctValue<Sample>();
  ASSERT_TRUE(out.write());
  ASSERT_TRUE(in.read());

  EXPECT_EQ(octetsOf(sent), octetsOf(received));
  RTC::PortProfile_var profile = in.getPortRef()->get_port_profile();
  EXPECT_EQ(typeId, getString(profile->properties, "dataport.data_type"));
  host.shutdown();
}
