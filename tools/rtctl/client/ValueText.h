// Text to scalar values and back, strictly: a value that does not fit the type is refused, never
// wrapped or rounded to infinity, so a typo cannot put a different number on the wire.
#pragma once

#include <cstdint>
#include <string>

namespace rtctl
{
  class ValueText
  {
  public:
    // Decimal, optional sign, surrounding blanks allowed; false when out of [min, max].
    static bool parseSigned(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& out);
    static bool parseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t& out);
    // Finite values that fit the type, or nan/inf spelled out.
    static bool parseDouble(const std::string& text, double& out);
    static bool parseFloat(const std::string& text, float& out);
    // true/false, 1/0, yes/no, on/off, any case.
    static bool parseBoolean(const std::string& text, bool& out);
    // Exactly one character (one byte).
    static bool parseChar(const std::string& text, char& out);

    // The shortest text that reads back to the same value.
    static std::string formatDouble(double value);
    static std::string formatFloat(float value);
    static std::string formatBoolean(bool value);
    // A printable character as itself, anything else as \xNN.
    static std::string formatChar(char value);

    static std::string trim(const std::string& text);
    // The value of one hexadecimal digit, either case; -1 for any other character.
    static int hexDigit(char c);
  };
}
