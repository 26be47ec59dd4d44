#include "client/TypeCodeText.h"

#include "client/ValueText.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace rtctl
{
  namespace
  {
    CORBA::TypeCode_var withoutAliases(CORBA::TypeCode_ptr type)
    {
      CORBA::TypeCode_var t = CORBA::TypeCode::_duplicate(type);
      while (t->kind() == CORBA::tk_alias)
        t = t->content_type();
      return t;
    }

    std::string fieldPath(const std::string& path, const std::string& name)
    {
      return path.empty() ? name : path + "." + name;
    }

    std::string describeKind(CORBA::TypeCode_ptr t)
    {
      switch (t->kind())
      {
        case CORBA::tk_struct:
          return "a struct {field: value, ...}";
        case CORBA::tk_sequence:
          return "a list [item, ...]";
        case CORBA::tk_enum:
        {
          std::string names;
          for (CORBA::ULong i = 0; i < t->member_count(); ++i)
            names += std::string(i == 0 ? "" : ", ") + t->member_name(i);
          return "one of " + names;
        }
        case CORBA::tk_string:
          return "text";
        case CORBA::tk_wstring:
          return "UTF-8 text of the Basic Multilingual Plane";
        case CORBA::tk_char:
          return "a single character";
        case CORBA::tk_wchar:
          return "a single character of the Basic Multilingual Plane";
        case CORBA::tk_boolean:
          return "true or false";
        case CORBA::tk_octet:
          return "an octet, 0 to 255";
        case CORBA::tk_short:
          return "a 16-bit integer, -32768 to 32767";
        case CORBA::tk_ushort:
          return "an unsigned 16-bit integer, 0 to 65535";
        case CORBA::tk_long:
          return "a 32-bit integer";
        case CORBA::tk_ulong:
          return "an unsigned 32-bit integer, 0 to 4294967295";
        case CORBA::tk_float:
          return "a 32-bit floating-point number";
        case CORBA::tk_double:
          return "a 64-bit floating-point number";
        default:
          return "a kind of value rtctl cannot write";
      }
    }

    std::string describeNode(const ValueNode& node)
    {
      if (node.kind == ValueNode::Struct)
        return "a struct";
      if (node.kind == ValueNode::List)
        return "a list";
      return ValueSyntax::quote(node.text, '\'');
    }

    bool refusedValue(CORBA::TypeCode_ptr t, const ValueNode& node, const std::string& path, std::string& error)
    {
      error = (path.empty() ? "" : path + ": ") + "expected " + describeKind(t) + ", found " + describeNode(node);
      return false;
    }

    // UTF-8 to code points; false for malformed or overlong sequences and surrogates.
    bool utf8CodePoints(const std::string& text, std::vector<CORBA::WChar>& out)
    {
      for (std::size_t i = 0; i < text.size();)
      {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
        if (extra < 0)
          return false;
        std::uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
        {
          if (i + k >= text.size())
            return false;
          const unsigned char next = static_cast<unsigned char>(text[i + k]);
          if ((next & 0xC0) != 0x80)
            return false;
          code = (code << 6) | (next & 0x3F);
        }
        const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
          return false;
        out.push_back(static_cast<CORBA::WChar>(code));
        i += extra + 1;
      }
      return true;
    }

    std::string utf8Of(std::uint32_t code)
    {
      std::string text;
      if (code < 0x80)
        text += static_cast<char>(code);
      else if (code < 0x800)
      {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
      }
      else if (code < 0x10000)
      {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
      }
      else
      {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
      }
      return text;
    }

    void marshalZero(CORBA::TypeCode_ptr type, cdrStream& out)
    {
      CORBA::TypeCode_var t = withoutAliases(type);
      switch (t->kind())
      {
        case CORBA::tk_struct:
          for (CORBA::ULong i = 0; i < t->member_count(); ++i)
          {
            CORBA::TypeCode_var member = t->member_type(i);
            marshalZero(member, out);
          }
          break;
        case CORBA::tk_string:
          out.marshalString("");
          break;
        case CORBA::tk_wstring:
        {
          const CORBA::WChar empty[] = {0};
          out.marshalWString(empty);
          break;
        }
        case CORBA::tk_wchar:
          out.marshalWChar(0);
          break;
        case CORBA::tk_boolean:
        case CORBA::tk_char:
        case CORBA::tk_octet:
          out.marshalOctet(0);
          break;
        case CORBA::tk_short:
        case CORBA::tk_ushort:
          CORBA::UShort(0) >>= out;
          break;
        case CORBA::tk_float:
          CORBA::Float(0) >>= out;
          break;
        case CORBA::tk_double:
          CORBA::Double(0) >>= out;
          break;
        default:  // sequences (length 0), enums (the first name), longs
          CORBA::ULong(0) >>= out;
      }
    }

    bool encodeNode(CORBA::TypeCode_ptr type, const ValueNode& node, cdrStream& out, const std::string& path,
                    std::string& error);

    // Members [first, count) of struct `t` from the fields `node` names; the others zero.
    bool encodeMembers(CORBA::TypeCode_ptr t, CORBA::ULong first, const ValueNode& node, cdrStream& out,
                       const std::string& path, std::string& error)
    {
      std::vector<bool> given(t->member_count(), false);
      std::vector<std::size_t> itemOf(t->member_count(), 0);
      for (std::size_t n = 0; n < node.names.size(); ++n)
      {
        CORBA::ULong i = first;
        while (i < t->member_count() && node.names[n] != t->member_name(i))
          ++i;
        if (i == t->member_count())
        {
          std::string fields;
          for (CORBA::ULong k = first; k < t->member_count(); ++k)
            fields += std::string(k == first ? "" : ", ") + t->member_name(k);
          error = (path.empty() ? "" : path + ": ") + "no field '" + node.names[n] + "' in " + t->name() +
                  " (its fields: " + fields + ")";
          return false;
        }
        if (given[i])
        {
          error = fieldPath(path, node.names[n]) + ": given twice";
          return false;
        }
        given[i] = true;
        itemOf[i] = n;
      }
      for (CORBA::ULong i = first; i < t->member_count(); ++i)
      {
        CORBA::TypeCode_var member = t->member_type(i);
        if (!given[i])
          marshalZero(member, out);
        else if (!encodeNode(member, node.items[itemOf[i]], out, fieldPath(path, t->member_name(i)), error))
          return false;
      }
      return true;
    }

    bool encodeNode(CORBA::TypeCode_ptr type, const ValueNode& node, cdrStream& out, const std::string& path,
                    std::string& error)
    {
      CORBA::TypeCode_var t = withoutAliases(type);
      const CORBA::TCKind kind = t->kind();
      if (kind == CORBA::tk_struct)
        return node.kind == ValueNode::Struct ? encodeMembers(t, 0, node, out, path, error)
                                              : refusedValue(t, node, path, error);
      if (kind == CORBA::tk_sequence)
      {
        if (node.kind != ValueNode::List)
          return refusedValue(t, node, path, error);
        if (t->length() != 0 && node.items.size() > t->length())
        {
          error = (path.empty() ? "" : path + ": ") + "at most " + std::to_string(t->length()) + " items";
          return false;
        }
        CORBA::TypeCode_var element = t->content_type();
        CORBA::ULong(node.items.size()) >>= out;
        for (std::size_t i = 0; i < node.items.size(); ++i)
          if (!encodeNode(element, node.items[i], out, path + "[" + std::to_string(i) + "]", error))
            return false;
        return true;
      }
      if (node.kind != ValueNode::Scalar)
        return refusedValue(t, node, path, error);
      const std::string& text = node.text;
      switch (kind)
      {
        case CORBA::tk_enum:
          for (CORBA::ULong i = 0; i < t->member_count(); ++i)
            if (text == t->member_name(i))
            {
              i >>= out;
              return true;
            }
          return refusedValue(t, node, path, error);
        case CORBA::tk_string:
          // A CORBA string ends at its first NUL: refuse what would arrive cut short.
          if (text.find('\0') != std::string::npos || (t->length() != 0 && text.size() > t->length()))
            return refusedValue(t, node, path, error);
          out.marshalString(text.c_str());
          return true;
        case CORBA::tk_wstring:
        case CORBA::tk_wchar:
        {
          std::vector<CORBA::WChar> codes;
          if (!utf8CodePoints(text, codes))
            return refusedValue(t, node, path, error);
          if (kind == CORBA::tk_wchar)
          {
            // One UTF-16 unit on the wire.
            if (codes.size() != 1 || codes[0] > 0xFFFF)
              return refusedValue(t, node, path, error);
            out.marshalWChar(codes[0]);
            return true;
          }
          // omniORB's UTF-16 carries no surrogate pairs: one unit a character.
          for (CORBA::WChar c : codes)
            if (c == 0 || c > 0xFFFF)
              return refusedValue(t, node, path, error);
          codes.push_back(0);
          out.marshalWString(codes.data());
          return true;
        }
        case CORBA::tk_char:
        {
          char c = 0;
          if (!ValueText::parseChar(text, c))
            return refusedValue(t, node, path, error);
          out.marshalChar(c);
          return true;
        }
        case CORBA::tk_boolean:
        {
          bool b = false;
          if (!ValueText::parseBoolean(text, b))
            return refusedValue(t, node, path, error);
          out.marshalBoolean(b);
          return true;
        }
        case CORBA::tk_float:
        {
          float f = 0;
          if (!ValueText::parseFloat(text, f))
            return refusedValue(t, node, path, error);
          CORBA::Float(f) >>= out;
          return true;
        }
        case CORBA::tk_double:
        {
          double d = 0;
          if (!ValueText::parseDouble(text, d))
            return refusedValue(t, node, path, error);
          CORBA::Double(d) >>= out;
          return true;
        }
        case CORBA::tk_short:
        case CORBA::tk_long:
        {
          const bool isShort = kind == CORBA::tk_short;
          std::int64_t v = 0;
          if (!ValueText::parseSigned(
                text, isShort ? std::numeric_limits<CORBA::Short>::min() : std::numeric_limits<CORBA::Long>::min(),
                isShort ? std::numeric_limits<CORBA::Short>::max() : std::numeric_limits<CORBA::Long>::max(), v))
            return refusedValue(t, node, path, error);
          if (isShort)
            CORBA::Short(v) >>= out;
          else
            CORBA::Long(v) >>= out;
          return true;
        }
        case CORBA::tk_octet:
        case CORBA::tk_ushort:
        case CORBA::tk_ulong:
        {
          const std::uint64_t max = kind == CORBA::tk_octet    ? 0xFF
                                    : kind == CORBA::tk_ushort ? 0xFFFF
                                                               : std::numeric_limits<CORBA::ULong>::max();
          std::uint64_t v = 0;
          if (!ValueText::parseUnsigned(text, max, v))
            return refusedValue(t, node, path, error);
          if (kind == CORBA::tk_octet)
            out.marshalOctet(static_cast<CORBA::Octet>(v));
          else if (kind == CORBA::tk_ushort)
            CORBA::UShort(v) >>= out;
          else
            CORBA::ULong(v) >>= out;
          return true;
        }
        default:
          return refusedValue(t, node, path, error);
      }
    }

    std::string decodeNode(CORBA::TypeCode_ptr type, cdrStream& in);

    std::string decodeMembers(CORBA::TypeCode_ptr t, CORBA::ULong first, cdrStream& in)
    {
      std::string text = "{";
      for (CORBA::ULong i = first; i < t->member_count(); ++i)
      {
        CORBA::TypeCode_var member = t->member_type(i);
        text += std::string(i == first ? "" : ", ") + t->member_name(i) + ": " + decodeNode(member, in);
      }
      return text + "}";
    }

    // The items of a sequence, each decoded, between `separator`s.
    std::string decodeItems(CORBA::TypeCode_ptr t, cdrStream& in, const char* separator)
    {
      CORBA::ULong length = 0;
      length <<= in;
      // Each item takes an octet at least: a length beyond what is left is no value of this type.
      if (!in.checkInputOverrun(1, length))
        throw CORBA::MARSHAL();
      CORBA::TypeCode_var element = t->content_type();
      std::string text;
      for (CORBA::ULong i = 0; i < length; ++i)
        text += (i == 0 ? "" : separator) + decodeNode(element, in);
      return text;
    }

    std::string decodeWString(cdrStream& in)
    {
      CORBA::WString_var value = in.unmarshalWString();
      std::string text;
      for (const CORBA::WChar* c = value.in(); *c != 0; ++c)
        text += utf8Of(static_cast<std::uint32_t>(*c));
      return text;
    }

    std::string decodeNode(CORBA::TypeCode_ptr type, cdrStream& in)
    {
      CORBA::TypeCode_var t = withoutAliases(type);
      switch (t->kind())
      {
        case CORBA::tk_struct:
          return decodeMembers(t, 0, in);
        case CORBA::tk_sequence:
          return "[" + decodeItems(t, in, ", ") + "]";
        case CORBA::tk_enum:
        {
          CORBA::ULong value = 0;
          value <<= in;
          return value < t->member_count() ? std::string(t->member_name(value)) : std::to_string(value);
        }
        case CORBA::tk_string:
        {
          CORBA::String_var value = in.unmarshalString();
          return ValueSyntax::quote(value.in());
        }
        case CORBA::tk_wstring:
          return ValueSyntax::quote(decodeWString(in));
        case CORBA::tk_wchar:
          return ValueSyntax::quote(utf8Of(static_cast<std::uint32_t>(in.unmarshalWChar())), '\'');
        case CORBA::tk_char:
          return ValueSyntax::quote(std::string(1, in.unmarshalChar()), '\'');
        case CORBA::tk_boolean:
          return ValueText::formatBoolean(in.unmarshalBoolean());
        case CORBA::tk_octet:
          return std::to_string(in.unmarshalOctet());
        case CORBA::tk_short:
        {
          CORBA::Short v = 0;
          v <<= in;
          return std::to_string(v);
        }
        case CORBA::tk_ushort:
        {
          CORBA::UShort v = 0;
          v <<= in;
          return std::to_string(v);
        }
        case CORBA::tk_long:
        {
          CORBA::Long v = 0;
          v <<= in;
          return std::to_string(v);
        }
        case CORBA::tk_ulong:
        {
          CORBA::ULong v = 0;
          v <<= in;
          return std::to_string(v);
        }
        case CORBA::tk_float:
        {
          CORBA::Float v = 0;
          v <<= in;
          return ValueText::formatFloat(v);
        }
        case CORBA::tk_double:
        {
          CORBA::Double v = 0;
          v <<= in;
          return ValueText::formatDouble(v);
        }
        default:
          throw CORBA::BAD_TYPECODE();
      }
    }

    // The one field besides `tm`, when it is `data`: such samples are written as that value.
    bool isDataOnly(CORBA::TypeCode_ptr t)
    {
      return t->member_count() == 2 && std::string(t->member_name(1)) == "data";
    }

    bool startsWith(const std::string& text, char c)
    {
      const std::string trimmed = ValueText::trim(text);
      return !trimmed.empty() && trimmed[0] == c;
    }
  }

  bool TypeCodeText::encode(CORBA::TypeCode_ptr type, const ValueNode& node, cdrStream& out, std::string& error)
  {
    return encodeNode(type, node, out, "", error);
  }

  std::string TypeCodeText::decode(CORBA::TypeCode_ptr type, cdrStream& in) { return decodeNode(type, in); }

  bool TypeCodeText::isSampleType(CORBA::TypeCode_ptr type)
  {
    CORBA::TypeCode_var t = withoutAliases(type);
    if (t->kind() != CORBA::tk_struct || t->member_count() < 1 || std::string(t->member_name(0)) != "tm")
      return false;
    CORBA::TypeCode_var tm = t->member_type(0);
    return std::string(tm->id()) == "IDL:RTC/Time:1.0";
  }

  bool TypeCodeText::encodeSample(CORBA::TypeCode_ptr type, const std::string& text, cdrStream& out, std::string& error)
  {
    ValueNode node;
    CORBA::TypeCode_var t = withoutAliases(type);
    if (!isSampleType(t))
      return ValueSyntax::parse(text, node, error) && encode(t, node, out, error);
    CORBA::TypeCode_var tm = t->member_type(0);
    marshalZero(tm, out);
    if (!isDataOnly(t))
    {
      if (!ValueSyntax::parse(text, node, error))
        return false;
      if (node.kind != ValueNode::Struct)
        return refusedValue(t, node, "", error);
      for (const std::string& name : node.names)
        if (name == "tm")
        {
          error = "tm: leave it out, the time stamp is set as the sample is sent";
          return false;
        }
      return encodeMembers(t, 1, node, out, "", error);
    }
    CORBA::TypeCode_var data = t->member_type(1);
    CORBA::TypeCode_var d = withoutAliases(data);
    const bool isText = d->kind() == CORBA::tk_string || d->kind() == CORBA::tk_wstring;
    if (isText && !startsWith(text, '"'))
    {
      // Text as it is, as for TimedString: what follows `inject PORT` needs no quotes.
      node.text = text;
      node.quoted = true;
    }
    else if (d->kind() == CORBA::tk_sequence && !startsWith(text, '['))
    {
      if (!ValueSyntax::parse("[" + text + "]", node, error))
        return false;
    }
    else if (!ValueSyntax::parse(text, node, error))
      return false;
    return encode(data, node, out, error);
  }

  std::string TypeCodeText::decodeSample(CORBA::TypeCode_ptr type, cdrStream& in)
  {
    CORBA::TypeCode_var t = withoutAliases(type);
    if (!isSampleType(t))
      return decode(t, in);
    CORBA::TypeCode_var tm = t->member_type(0);
    decodeNode(tm, in);
    if (!isDataOnly(t))
      return decodeMembers(t, 1, in);
    CORBA::TypeCode_var data = t->member_type(1);
    CORBA::TypeCode_var d = withoutAliases(data);
    if (d->kind() == CORBA::tk_sequence)
      return decodeItems(d, in, " ");
    if (d->kind() != CORBA::tk_string && d->kind() != CORBA::tk_wstring)
      return decode(d, in);
    std::string text;
    if (d->kind() == CORBA::tk_string)
    {
      CORBA::String_var value = in.unmarshalString();
      text = value.in();
    }
    else
      text = decodeWString(in);
    // As it is, unless encodeSample would then read it otherwise (a leading quote) or it would
    // break print's one line a sample.
    bool plain = !startsWith(text, '"');
    for (char c : text)
      if (static_cast<unsigned char>(c) < 0x20)
        plain = false;
    return plain ? text : ValueSyntax::quote(text);
  }
}
