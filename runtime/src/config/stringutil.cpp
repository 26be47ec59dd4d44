#include <coil/stringutil.h>

#include <algorithm>
#include <cctype>

namespace coil
{
  namespace
  {
    bool isBlank(char c) { return c == ' ' || c == '\t'; }
  }  // namespace

  void toLower(std::string& str)
  {
    std::transform(str.begin(), str.end(), str.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  }

  bool toBool(std::string str, std::string yes, std::string no, bool default_value)
  {
    toLower(str);
    toLower(yes);
    toLower(no);
    // An empty pattern would match every string; treat it as "not given".
    if (!yes.empty() && str.find(yes) != std::string::npos)
    {
      return true;
    }
    if (!no.empty() && str.find(no) != std::string::npos)
    {
      return false;
    }
    return default_value;
  }

  void eraseBothEndsBlank(std::string& str)
  {
    std::string::size_type first = 0;
    while (first < str.size() && isBlank(str[first]))
    {
      ++first;
    }
    std::string::size_type last = str.size();
    while (last > first && isBlank(str[last - 1]))
    {
      --last;
    }
    str = str.substr(first, last - first);
  }

  std::string normalize(std::string& str)
  {
    eraseBothEndsBlank(str);
    toLower(str);
    return str;
  }

  vstring split(const std::string& input, const std::string& delimiter, bool ignore_empty)
  {
    vstring result;
    if (input.empty())
    {
      return result;
    }

    auto keep = [&](std::string piece) {
      eraseBothEndsBlank(piece);
      if (!(ignore_empty && piece.empty()))
      {
        result.push_back(piece);
      }
    };

    if (delimiter.empty())
    {
      keep(input);
      return result;
    }
    std::string::size_type begin = 0;
    for (;;)
    {
      const std::string::size_type found = input.find(delimiter, begin);
      if (found == std::string::npos)
      {
        keep(input.substr(begin));
        return result;
      }
      keep(input.substr(begin, found - begin));
      begin = found + delimiter.size();
    }
  }
}  // namespace coil
