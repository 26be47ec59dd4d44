#include "client/ValueText.h"

#include <coil/stringutil.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <cerrno>

namespace rtctl
{
  namespace
  {
    // Only what strtod calls a number, without hex floats or leading blanks of its own.
    bool looksDecimal(const std::string& text)
    {
      if (text.empty())
        return false;
      std::string word = text;
      coil::toLower(word);
      const std::string::size_type start = (word[0] == '-' || word[0] == '+') ? 1 : 0;
      const std::string rest = word.substr(start);
      if (rest == "inf" || rest == "infinity" || rest == "nan")
        return true;
      return rest.find('x') == std::string::npos && !rest.empty() &&
             (std::isdigit(static_cast<unsigned char>(rest[0])) || rest[0] == '.');
    }
  }

  std::string ValueText::trim(const std::string& text)
  {
    const std::string::size_type first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
      return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
  }

  bool ValueText::parseSigned(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& out)
  {
    std::string word = trim(text);
    if (!word.empty() && word[0] == '+')
      word.erase(0, 1);
    if (word.empty() || word[0] == '+' || (word[0] == '-' && text.find('+') != std::string::npos))
      return false;
    std::int64_t value = 0;
    const char* end = word.data() + word.size();
    const std::from_chars_result result = std::from_chars(word.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || value < min || value > max)
      return false;
    out = value;
    return true;
  }

  bool ValueText::parseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t& out)
  {
    std::string word = trim(text);
    if (!word.empty() && word[0] == '+')
      word.erase(0, 1);
    if (word.empty() || !std::isdigit(static_cast<unsigned char>(word[0])))
      return false;
    std::uint64_t value = 0;
    const char* end = word.data() + word.size();
    const std::from_chars_result result = std::from_chars(word.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || value > max)
      return false;
    out = value;
    return true;
  }

  bool ValueText::parseDouble(const std::string& text, double& out)
  {
    const std::string word = trim(text);
    if (!looksDecimal(word))
      return false;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(word.c_str(), &end);
    if (end != word.c_str() + word.size())
      return false;
    // Overflow reads as ±HUGE_VAL with ERANGE; underflow to a tiny value is still that value.
    if (errno == ERANGE && std::isinf(value))
      return false;
    out = value;
    return true;
  }

  bool ValueText::parseFloat(const std::string& text, float& out)
  {
    double value = 0;
    if (!parseDouble(text, value))
      return false;
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
      return false;
    out = static_cast<float>(value);
    return true;
  }

  bool ValueText::parseBoolean(const std::string& text, bool& out)
  {
    std::string word = trim(text);
    coil::toLower(word);
    if (word == "true" || word == "1" || word == "yes" || word == "on")
      out = true;
    else if (word == "false" || word == "0" || word == "no" || word == "off")
      out = false;
    else
      return false;
    return true;
  }

  bool ValueText::parseChar(const std::string& text, char& out)
  {
    if (text.size() != 1)
      return false;
    out = text[0];
    return true;
  }

  std::string ValueText::formatDouble(double value)
  {
    char buffer[64];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
  }

  std::string ValueText::formatFloat(float value)
  {
    char buffer[64];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
  }

  std::string ValueText::formatBoolean(bool value) { return value ? "true" : "false"; }

  std::string ValueText::formatChar(char value)
  {
    const unsigned char byte = static_cast<unsigned char>(value);
    if (std::isprint(byte))
      return std::string(1, value);
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\x%02x", byte);
    return buffer;
  }

  int ValueText::hexDigit(char c)
  {
    if (c >= '0' && c <= '9')
      return c - '0';
    if (c >= 'a' && c <= 'f')
      return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
      return c - 'A' + 10;
    return -1;
  }
}
