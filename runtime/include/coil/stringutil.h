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

  // Reads one T from the front of `str`, as the middleware does: what follows it is ignored
  // ("12abc" gives 12, "1.5" gives int 1), a bool is 0 or 1, and a user's operator>> is found
  // for their own types. On failure `val` keeps its value.
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
    val = parsed;
    return true;
  }

  // A comma-separated list, each element trimmed and read as above; all of it or nothing: on
  // failure `val` keeps its elements. An empty text is an empty list.
  template <typename To>
  bool stringTo(std::vector<To>& val, const char* str)
  {
    if (str == nullptr)
    {
      return false;
    }
    const vstring pieces = split(str, ",");
    std::vector<To> parsed;
    parsed.reserve(pieces.size());
    for (vstring::size_type i = 0; i < pieces.size(); ++i)
    {
      To element;
      if (!stringTo(element, pieces[i].c_str()))
      {
        return false;
      }
      parsed.push_back(element);
    }
    val.swap(parsed);
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

  // --- The rest of coil's string helpers that components call ---------------------------------
  void toUpper(std::string& str);
  void eraseBlank(std::string& str);
  void eraseHeadBlank(std::string& str);
  void eraseTailBlank(std::string& str);
  // Replaces every `from` with `to`; returns how many were replaced.
  unsigned int replaceString(std::string& str, const std::string from, const std::string to);
  // Backslash escapes of \t \n \f \r \\ and "..." (as the properties file writes them) and back.
  std::string escape(const std::string str);
  std::string unescape(const std::string str);
  // True if the character at `pos` is preceded by an odd number of backslashes.
  bool isEscaped(const std::string& str, std::string::size_type pos);
  // One line of `istr` whatever its line ending (\n, \r\n or \r); returns the line's length.
  std::string::size_type getlinePortable(std::istream& istr, std::string& line);
  bool includes(const vstring& list, std::string value, bool ignore_case = true);
  bool includes(const std::string& list, std::string value, bool ignore_case = true);
  bool isAbsolutePath(const std::string& str);
  bool isURL(const std::string& str);
  // The list without repeats, first occurrences kept in order.
  vstring unique_sv(vstring sv);
  // "a, b, c".
  std::string flatten(vstring sv);
  // A NULL-terminated copy for argv-style calls, made with new[]: the caller deletes each string
  // and the array.
  char** toArgv(const vstring& args);
  // printf into a string of at most 1023 characters.
  std::string sprintf(char const* __restrict fmt, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;

  template <class T>
  std::string otos(T n)
  {
    std::stringstream str;
    str << n;
    return str.str();
  }
}  // namespace coil

#endif  // COIL_STRINGUTIL_H
