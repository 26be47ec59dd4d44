// The coil string helpers beyond the ones the runtime itself is built on (stringutil.cpp).
#include <coil/stringutil.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <istream>

namespace coil
{
  namespace
  {
    bool isBlankChar(char c) { return c == ' ' || c == '\t'; }

    std::string lowerCopyOf(std::string s)
    {
      std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      return s;
    }
  }  // namespace

  void toUpper(std::string& str)
  {
    std::transform(str.begin(), str.end(), str.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  }

  void eraseBlank(std::string& str) { str.erase(std::remove_if(str.begin(), str.end(), isBlankChar), str.end()); }

  void eraseHeadBlank(std::string& str)
  {
    std::string::size_type n = 0;
    while (n < str.size() && isBlankChar(str[n]))
      ++n;
    str.erase(0, n);
  }

  void eraseTailBlank(std::string& str)
  {
    // A blank escaped by a backslash is text, not padding.
    while (!str.empty() && isBlankChar(str.back()) && !isEscaped(str, str.size() - 1))
      str.pop_back();
  }

  unsigned int replaceString(std::string& str, const std::string from, const std::string to)
  {
    if (from.empty())
      return 0;
    unsigned int count = 0;
    std::string::size_type pos = 0;
    while ((pos = str.find(from, pos)) != std::string::npos)
    {
      str.replace(pos, from.size(), to);
      pos += to.size();
      ++count;
    }
    return count;
  }

  std::string escape(const std::string str)
  {
    std::string out;
    for (char c : str)
    {
      switch (c)
      {
        case '\t':
          out += "\\t";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\f':
          out += "\\f";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\\':
          out += "\\\\";
          break;
        default:
          out += c;
      }
    }
    return out;
  }

  std::string unescape(const std::string str)
  {
    std::string out;
    for (std::string::size_type i = 0; i < str.size(); ++i)
    {
      if (str[i] != '\\' || i + 1 == str.size())
      {
        out += str[i];
        continue;
      }
      const char next = str[++i];
      switch (next)
      {
        case 't':
          out += '\t';
          break;
        case 'n':
          out += '\n';
          break;
        case 'f':
          out += '\f';
          break;
        case 'r':
          out += '\r';
          break;
        default:
          out += next;
      }
    }
    return out;
  }

  bool isEscaped(const std::string& str, std::string::size_type pos)
  {
    if (pos > str.size())
      return false;
    std::string::size_type backslashes = 0;
    while (pos > 0 && str[pos - 1] == '\\')
    {
      ++backslashes;
      --pos;
    }
    return backslashes % 2 == 1;
  }

  std::string::size_type getlinePortable(std::istream& istr, std::string& line)
  {
    line.clear();
    char c;
    while (istr.get(c))
    {
      if (c == '\n')
        break;
      if (c == '\r')
      {
        if (istr.peek() == '\n')
          istr.get(c);
        break;
      }
      line += c;
    }
    return line.size();
  }

  bool includes(const vstring& list, std::string value, bool ignore_case)
  {
    if (ignore_case)
      value = lowerCopyOf(value);
    for (const std::string& item : list)
    {
      if ((ignore_case ? lowerCopyOf(item) : item) == value)
        return true;
    }
    return false;
  }

  bool includes(const std::string& list, std::string value, bool ignore_case)
  {
    return includes(split(list, ","), value, ignore_case);
  }

  bool isAbsolutePath(const std::string& str)
  {
    if (!str.empty() && str[0] == '/')
      return true;
    // A drive letter or a UNC path: files named in a configuration written on another system.
    if (str.size() >= 3 && std::isalpha(static_cast<unsigned char>(str[0])) && str[1] == ':' &&
        (str[2] == '\\' || str[2] == '/'))
      return true;
    return str.size() >= 2 && str[0] == '\\' && str[1] == '\\';
  }

  bool isURL(const std::string& str)
  {
    const std::string::size_type pos = str.find("://");
    return pos != std::string::npos && pos != 0;
  }

  vstring unique_sv(vstring sv)
  {
    vstring out;
    for (const std::string& item : sv)
    {
      if (std::find(out.begin(), out.end(), item) == out.end())
        out.push_back(item);
    }
    return out;
  }

  std::string flatten(vstring sv)
  {
    std::string out;
    for (std::size_t i = 0; i < sv.size(); ++i)
    {
      if (i != 0)
        out += ", ";
      out += sv[i];
    }
    return out;
  }

  char** toArgv(const vstring& args)
  {
    char** argv = new char*[args.size() + 1];
    for (std::size_t i = 0; i < args.size(); ++i)
    {
      argv[i] = new char[args[i].size() + 1];
      std::memcpy(argv[i], args[i].c_str(), args[i].size() + 1);
    }
    argv[args.size()] = nullptr;
    return argv;
  }

  std::string sprintf(char const* __restrict fmt, ...)
  {
    char text[1024];
    va_list args;
    va_start(args, fmt);
    const int n = std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(text);
  }
}  // namespace coil
