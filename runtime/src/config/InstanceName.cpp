#include "config/InstanceName.h"

#include <cstddef>
#include <cstdint>

namespace rtm::config
{

  namespace
  {

    const std::size_t kLongestName = 255;

    // The code point of the UTF-8 sequence at `i`, advancing `i` past it; -1 for a malformed one
    // (truncated, overlong, a surrogate, or beyond U+10FFFF).
    long nextCodePoint(const std::string& text, std::size_t& i)
    {
      const auto lead = static_cast<unsigned char>(text[i++]);
      if (lead < 0x80)
      {
        return lead;
      }
      std::size_t length = 0;
      long value = 0;
      long smallest = 0;
      if ((lead & 0xe0) == 0xc0)
      {
        length = 1, value = lead & 0x1f, smallest = 0x80;
      }
      else if ((lead & 0xf0) == 0xe0)
      {
        length = 2, value = lead & 0x0f, smallest = 0x800;
      }
      else if ((lead & 0xf8) == 0xf0)
      {
        length = 3, value = lead & 0x07, smallest = 0x10000;
      }
      else
      {
        return -1;
      }
      for (std::size_t k = 0; k < length; ++k, ++i)
      {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xc0) != 0x80)
        {
          return -1;
        }
        value = (value << 6) | (static_cast<unsigned char>(text[i]) & 0x3f);
      }
      if (value < smallest || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
      {
        return -1;
      }
      return value;
    }

    bool isControl(long codePoint) { return codePoint < 0x20 || (codePoint >= 0x7f && codePoint <= 0x9f); }

    // Why `text` is not clean UTF-8 text, or "".
    std::string textProblem(const std::string& text)
    {
      for (std::size_t i = 0; i < text.size();)
      {
        const long codePoint = nextCodePoint(text, i);
        if (codePoint < 0)
        {
          return "is not valid UTF-8";
        }
        if (isControl(codePoint))
        {
          return "holds a control character";
        }
      }
      return {};
    }

  }  // namespace

  std::string instanceNameProblem(const std::string& name)
  {
    if (name.empty())
    {
      return "is empty";
    }
    if (name.size() > kLongestName)
    {
      return "is longer than 255 bytes";
    }
    if (name == "." || name == "..")
    {
      return "is '" + name + "'";
    }
    if (name.find_first_of("/\\") != std::string::npos)
    {
      return "holds a '/' or '\\'";
    }
    return textProblem(name);
  }

  std::string instanceNameRefusal(const std::string& name)
  {
    const std::string problem = instanceNameProblem(name);
    return problem.empty() ? problem
                           : "instance name '" + printable(name) + "' " + problem +
                               ": give 1-255 bytes of UTF-8 without '/', '\\' or control characters";
  }

  std::string namingNameProblem(const std::string& path)
  {
    std::size_t start = 0;
    for (;;)
    {
      const auto slash = path.find('/', start);
      const std::string element = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
      if (element.empty() || element == "." || element == "..")
      {
        return "has an element that is " + (element.empty() ? std::string("empty") : "'" + element + "'");
      }
      if (slash == std::string::npos)
      {
        break;
      }
      start = slash + 1;
    }
    return textProblem(path);
  }

  std::string printable(const std::string& text)
  {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : text)
    {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte == 0x7f)
      {
        out += "\\x";
        out += digits[byte >> 4];
        out += digits[byte & 0xf];
      }
      else
      {
        out += c;
      }
    }
    return out;
  }

}  // namespace rtm::config
