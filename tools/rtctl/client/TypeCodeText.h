// Values of any IDL data type as text, driven by the type's TypeCode (omniidl's RTC::_tc_<Name>):
// one writer and one reader walk structs, sequences, enums, strings and numbers, so a data type
// needs no code of its own. Text goes through ValueSyntax's tree; values go to and from CDR, which
// the type's own generated code then turns into the C++ struct.
#pragma once

#include "client/ValueSyntax.h"

#include <omniORB4/CORBA.h>

#include <string>

namespace rtctl
{
  class TypeCodeText
  {
  public:
    // Marshals the value `node` describes into `out`. Fields left out of a struct are zero (empty
    // for strings and sequences, the first name for enums). False with `error` set, naming the
    // field and what it expected ("position.x: expected a 64-bit floating-point number, found
    // 'abc'"), when the tree is not a value of `type`.
    static bool encode(CORBA::TypeCode_ptr type, const ValueNode& node, cdrStream& out, std::string& error);
    // Reads one value of `type` from `in`, as text that ValueSyntax and encode take back.
    static std::string decode(CORBA::TypeCode_ptr type, cdrStream& in);

    // A sample: a struct whose first field is `tm`, which the text leaves out (the sender stamps
    // it). A sample with only `data` besides is written as that field's value, a string as it is
    // and a sequence's items with or without brackets, as for the basic types; any other as a
    // struct of its other fields.
    static bool encodeSample(CORBA::TypeCode_ptr type, const std::string& text, cdrStream& out, std::string& error);
    static std::string decodeSample(CORBA::TypeCode_ptr type, cdrStream& in);
    // True if `type` is such a sample type.
    static bool isSampleType(CORBA::TypeCode_ptr type);
  };
}
