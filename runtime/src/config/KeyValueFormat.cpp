#include "config/KeyValueFormat.h"

#include <iterator>
#include <optional>

namespace rtm::config
{

  namespace
  {

    bool isBlank(char c) { return c == ' ' || c == '\t'; }

    // True if the character at `pos` is preceded by an odd run of backslashes.
    bool isEscaped(const std::string& s, std::size_t pos)
    {
      std::size_t backslashes = 0;
      while (pos > backslashes && s[pos - backslashes - 1] == '\\')
      {
        ++backslashes;
      }
      return backslashes % 2 == 1;
    }

    // Files written on any platform must read the same, so LF, CRLF and a lone CR all end a line.
    std::vector<std::string> physicalLines(std::istream& in)
    {
      const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      std::vector<std::string> lines;
      std::string current;
      for (std::size_t i = 0; i < text.size(); ++i)
      {
        const char c = text[i];
        if (c == '\n' || c == '\r')
        {
          lines.push_back(current);
          current.clear();
          if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
          {
            ++i;
          }
        }
        else
        {
          current += c;
        }
      }
      if (!current.empty())
      {
        lines.push_back(current);
      }
      return lines;
    }

    // An escaped blank at either end ("\ ") is content, so trimming stops at it.
    std::string trimUnescaped(const std::string& s)
    {
      std::size_t first = 0;
      while (first < s.size() && isBlank(s[first]))
      {
        ++first;
      }
      std::size_t last = s.size();
      while (last > first && isBlank(s[last - 1]) && !isEscaped(s, last - 1))
      {
        --last;
      }
      return s.substr(first, last - first);
    }

    std::string unescape(const std::string& s)
    {
      std::string out;
      out.reserve(s.size());
      for (std::size_t i = 0; i < s.size(); ++i)
      {
        if (s[i] != '\\')
        {
          out += s[i];
          continue;
        }
        if (++i == s.size())
        {
          break;  // a dangling backslash carries nothing
        }
        switch (s[i])
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
            out += s[i];
            break;  // \\ \" \' \: \= \  and any other: the character itself
        }
      }
      return out;
    }

    std::optional<std::size_t> findUnescaped(const std::string& s, const char* chars)
    {
      for (std::size_t i = 0; i < s.size(); ++i)
      {
        if (s[i] == '\\')
        {
          ++i;
        }
        else if (std::string(chars).find(s[i]) != std::string::npos)
        {
          return i;
        }
      }
      return std::nullopt;
    }

    std::optional<KeyValue> splitLogicalLine(const std::string& line)
    {
      auto sep = findUnescaped(line, ":=");
      if (!sep)
      {
        sep = findUnescaped(line, " ");
      }
      std::string key = sep ? line.substr(0, *sep) : line;
      std::string value = sep ? line.substr(*sep + 1) : std::string();
      key = unescape(trimUnescaped(key));
      value = unescape(trimUnescaped(value));
      if (key.empty())
      {
        return std::nullopt;
      }
      return KeyValue{key, value};
    }

  }  // namespace

  std::vector<KeyValue> parseKeyValues(std::istream& in)
  {
    std::vector<KeyValue> entries;
    std::string logical;
    auto finish = [&] {
      if (auto kv = splitLogicalLine(logical))
      {
        entries.push_back(std::move(*kv));
      }
      logical.clear();
    };

    for (std::string line : physicalLines(in))
    {
      std::size_t first = 0;
      while (first < line.size() && isBlank(line[first]))
      {
        ++first;
      }
      line.erase(0, first);
      // Blank and comment lines vanish even in the middle of a continuation, so a commented-out
      // item of a long list does not cut the list short.
      if (line.empty() || line[0] == '#' || line[0] == '!')
      {
        continue;
      }
      if (line.back() == '\\' && !isEscaped(line, line.size() - 1))
      {
        line.pop_back();
        logical += line;
        continue;
      }
      logical += line;
      finish();
    }
    if (!logical.empty())
    {
      finish();  // the file ended inside a continuation
    }
    return entries;
  }

  std::string formatKeyValue(const std::string& key, const std::string& value)
  {
    auto escapeControl = [](char c, std::string& out) {
      switch (c)
      {
        case '\\':
          out += "\\\\";
          return true;
        case '\t':
          out += "\\t";
          return true;
        case '\n':
          out += "\\n";
          return true;
        case '\r':
          out += "\\r";
          return true;
        case '\f':
          out += "\\f";
          return true;
        default:
          return false;
      }
    };

    std::string line;
    for (std::size_t i = 0; i < key.size(); ++i)
    {
      const char c = key[i];
      if (escapeControl(c, line))
      {
        continue;
      }
      // A leading '#' or '!' would make the line a comment.
      if (c == ':' || c == '=' || c == ' ' || (i == 0 && (c == '#' || c == '!')))
      {
        line += '\\';
      }
      line += c;
    }
    line += ':';
    if (value.empty())
    {
      return line;
    }
    line += ' ';
    for (std::size_t i = 0; i < value.size(); ++i)
    {
      const char c = value[i];
      if (escapeControl(c, line))
      {
        continue;
      }
      // Blanks at the ends would be trimmed away on reading; one escaped blank at each end
      // is enough to stop the trimming there.
      if (c == ' ' && (i == 0 || i + 1 == value.size()))
      {
        line += '\\';
      }
      line += c;
    }
    return line;
  }

}  // namespace rtm::config
