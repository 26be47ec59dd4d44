#include "client/Arguments.h"

#include "client/Error.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace rtctl
{
  namespace
  {
    bool looksLikeNumber(const std::string& word)
    {
      return word.size() > 1 && word[0] == '-' && (std::isdigit(static_cast<unsigned char>(word[1])) || word[1] == '.');
    }
  }

  Arguments::Arguments(const std::vector<std::string>& words, const std::set<std::string>& flags,
                       const std::set<std::string>& valued)
  {
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i)
    {
      const std::string& word = words[i];
      if (optionsEnded || word.size() < 2 || word[0] != '-' || looksLikeNumber(word))
      {
        m_positional.push_back(word);
        continue;
      }
      if (word == "--")
      {
        optionsEnded = true;
        continue;
      }
      std::string name = word;
      std::string inlineValue;
      bool hasInline = false;
      const std::string::size_type eq = word.find('=');
      if (word.compare(0, 2, "--") == 0 && eq != std::string::npos)
      {
        name = word.substr(0, eq);
        inlineValue = word.substr(eq + 1);
        hasInline = true;
      }
      if (flags.count(name) != 0 && !hasInline)
      {
        m_flags.insert(name);
      }
      else if (valued.count(name) != 0)
      {
        if (!hasInline)
        {
          if (i + 1 >= words.size())
            throw UsageError("option " + name + " needs a value");
          inlineValue = words[++i];
        }
        m_values[name].push_back(inlineValue);
      }
      else
      {
        throw UsageError("unknown option '" + word + "' (see --help)");
      }
    }
  }

  bool Arguments::has(const std::string& option) const
  {
    return m_flags.count(option) != 0 || m_values.count(option) != 0;
  }

  std::string Arguments::value(const std::string& option, const std::string& fallback) const
  {
    const auto it = m_values.find(option);
    return it == m_values.end() ? fallback : it->second.back();
  }

  std::vector<std::string> Arguments::values(const std::string& option) const
  {
    const auto it = m_values.find(option);
    return it == m_values.end() ? std::vector<std::string>() : it->second;
  }

  long Arguments::integer(const std::string& option, long fallback, long min, long max) const
  {
    if (!has(option))
      return fallback;
    const std::string text = value(option);
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || n < min || n > max)
      throw UsageError("option " + option + " takes a whole number from " + std::to_string(min) + " to " +
                       std::to_string(max) + ", not '" + text + "'");
    return n;
  }

  double Arguments::real(const std::string& option, double fallback, double min) const
  {
    if (!has(option))
      return fallback;
    const std::string text = value(option);
    char* end = nullptr;
    errno = 0;
    const double x = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(x) || x < min)
    {
      std::ostringstream message;
      message << "option " << option << " takes a number of at least " << min << ", not '" << text << "'";
      throw UsageError(message.str());
    }
    return x;
  }
}
