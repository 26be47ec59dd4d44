// The command line of one subcommand: flags, options that take a value, and the rest.
// "-e 1", "--timeout=2" and "--timeout 2" are all accepted; "--" ends the options. A word that
// reads as a negative number ("-5", "-0.5") is a value, not an option, so that
// `rtctl inject PATH -5` works without "--".
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace rtctl
{
  class Arguments
  {
  public:
    // Throws UsageError for an unknown option or an option missing its value.
    Arguments(const std::vector<std::string>& words, const std::set<std::string>& flags,
              const std::set<std::string>& valued);

    bool has(const std::string& option) const;
    // The last value given for the option, or `fallback`.
    std::string value(const std::string& option, const std::string& fallback = "") const;
    // Every value given for a repeatable option, in order.
    std::vector<std::string> values(const std::string& option) const;
    const std::vector<std::string>& positional() const { return m_positional; }

    // Number options, checked: UsageError naming the option when they do not parse or are
    // out of range.
    long integer(const std::string& option, long fallback, long min, long max) const;
    double real(const std::string& option, double fallback, double min) const;

  private:
    std::set<std::string> m_flags;
    std::map<std::string, std::vector<std::string>> m_values;
    std::vector<std::string> m_positional;
  };
}
