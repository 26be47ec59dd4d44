// A property list as the middleware sends it (SDOPackage::NVList), read once into plain text
// pairs in the order sent, each value as CorbaText::anyValue shows it.
#pragma once

#include <rtm/idl/SDOPackage.hh>

#include <string>
#include <utility>
#include <vector>

namespace rtctl
{
  class NameValues
  {
  public:
    NameValues() = default;
    explicit NameValues(const SDOPackage::NVList& list);

    const std::vector<std::pair<std::string, std::string>>& pairs() const { return m_pairs; }
    bool has(const std::string& name) const;
    // The value of the first pair of that name, or "".
    std::string value(const std::string& name) const;
    // The value of the first of `names` present, or "".
    std::string firstOf(const std::vector<std::string>& names) const;

  private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
  };
}
