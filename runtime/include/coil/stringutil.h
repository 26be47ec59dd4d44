// String helpers of the middleware's coil library that components and the runtime use.
// C++11-clean: components include this header when built against either middleware.
#ifndef COIL_STRINGUTIL_H
#define COIL_STRINGUTIL_H

#include <sstream>
#include <string>
#include <vector>

namespace coil
{
  typedef std::vector<std::string> vstring;

  // Case-insensitive substring test, as the middleware reads its YES/NO settings:
  // contains `yes` -> true, else contains `no` -> false, else `default_value`.
  bool toBool(std::string str, std::string yes, std::string no, bool default_value = true);

  // Splits at every `delimiter` and trims blanks from each piece. Empty pieces are kept
  // (so "a::b" has three fields) unless `ignore_empty`; an empty input gives no pieces.
  vstring split(const std::string& input, const std::string& delimiter, bool ignore_empty = false);

  // Removes spaces and tabs at both ends.
  void eraseBothEndsBlank(std::string& str);

  // Trims and lower-cases `str` in place and returns the result.
  std::string normalize(std::string& str);

  void toLower(std::string& str);

  // Reads a whole string as a T; false if it does not parse or leaves anything but blanks.
  template <typename To>
  bool stringTo(To& val, const char* str)
  {
    if (str == nullptr)
    {
      return false;
    }
    std::istringstream s(str);
    To parsed;
    if (!(s >> parsed))
    {
      return false;
    }
    s >> std::ws;
    if (!s.eof())
    {
      return false;
    }
    val = parsed;
    return true;
  }

  // A string is taken whole, blanks included.
  template <>
  inline bool stringTo<std::string>(std::string& val, const char* str)
  {
    if (str == nullptr)
    {
      return false;
    }
    val = str;
    return true;
  }
}  // namespace coil

#endif  // COIL_STRINGUTIL_H
