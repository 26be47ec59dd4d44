#include "client/NameText.h"

#include "client/NameService.h"

#include <cstdio>

namespace rtctl
{
  namespace
  {
    // Length of the well-formed UTF-8 sequence at `i` that is not a control character, or 0.
    size_t cleanSequence(const std::string& text, size_t i)
    {
      const unsigned char lead = static_cast<unsigned char>(text[i]);
      if (lead < 0x20 || lead == 0x7f)
        return 0;
      if (lead < 0x80)
        return 1;
      size_t length = 0;
      unsigned long code = 0;
      if ((lead & 0xe0) == 0xc0)
        length = 2, code = lead & 0x1f;
      else if ((lead & 0xf0) == 0xe0)
        length = 3, code = lead & 0x0f;
      else if ((lead & 0xf8) == 0xf0)
        length = 4, code = lead & 0x07;
      else
        return 0;
      if (i + length > text.size())
        return 0;
      for (size_t k = 1; k < length; ++k)
      {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xc0) != 0x80)
          return 0;
        code = (code << 6) | (next & 0x3f);
      }
      // Overlong forms, surrogates and C1 controls spell the same or nothing: refuse them.
      static const unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
      if (code < kLeast[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff) ||
          (code >= 0x80 && code < 0xa0))
        return 0;
      return length;
    }
  }

  bool NameText::endsWith(const std::string& text, const std::string& tail)
  {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
  }

  // A bare ".rtc" has no id: it names no component.
  bool NameText::isComponent(const std::string& name) { return name.size() > 4 && endsWith(name, ".rtc"); }
  bool NameText::isManager(const std::string& name) { return name.size() > 4 && endsWith(name, ".mgr"); }
  bool NameText::isHostContext(const std::string& name) { return name.size() > 9 && endsWith(name, ".host_cxt"); }

  bool NameText::isCleanUtf8(const std::string& text)
  {
    for (size_t i = 0; i < text.size();)
    {
      const size_t length = cleanSequence(text, i);
      if (length == 0)
        return false;
      i += length;
    }
    return true;
  }

  std::string NameText::printable(const std::string& text)
  {
    std::string out;
    for (size_t i = 0; i < text.size();)
    {
      const size_t length = cleanSequence(text, i);
      if (length > 0 && text[i] != '\\')
      {
        out.append(text, i, length);
        i += length;
        continue;
      }
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(text[i]));
      out += escaped;
      ++i;
    }
    return out;
  }

  std::string NameText::oddity(const CosNaming::NameComponent& component)
  {
    const std::string id = component.id.in() == nullptr ? std::string() : std::string(component.id.in());
    const std::string kind = component.kind.in() == nullptr ? std::string() : std::string(component.kind.in());
    if (id.empty() && kind.empty())
      return "an empty name";
    if (!isCleanUtf8(id) || !isCleanUtf8(kind))
      return "a name that is not printable UTF-8";
    const std::string text = NameService::toText(component);
    if (text.find('/') != std::string::npos)
      return "a name with '/', which would read as two path elements";
    if (text.find(':') != std::string::npos)
      return "a name with ':', which would read as a port";
    if (text == "." || text == "..")
      return "a name that reads as a relative path";
    const CosNaming::NameComponent back = NameService::toComponent(text);
    if (id != back.id.in() || kind != back.kind.in())
      return "a name whose text reads back as another (id '" + id + "', kind '" + kind + "')";
    return std::string();
  }
}
