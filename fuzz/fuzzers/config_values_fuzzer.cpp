// Fuzz target: configuration sets changed by a tool (rtctl conf, a system editor) with any names
// and values, applied to a component's bound parameters of four kinds.
//
// The input, split at NUL octets, is a list of steps, two fields each: the first octet of the
// first field picks the operation, the second field is its argument. Beyond "no crash":
//  - a bound variable changes only in an update, never in what a tool calls;
//  - an update leaves each variable as coil::stringTo makes of the set's text, or, when the text
//    does not convert, as it was.
#include "Require.h"

#include <rtm/ConfigAdmin.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace
{
  struct Bound
  {
    int count = 0;
    double scale = 0;
    std::string label;
    std::vector<double> weights;

    bool operator==(const Bound& o) const
    {
      return count == o.count && same(scale, o.scale) && label == o.label && weights.size() == o.weights.size() &&
             std::equal(weights.begin(), weights.end(), o.weights.begin(), same);
    }
    static bool same(double a, double b) { return a == b || (a != a && b != b); }
  };

  std::vector<std::string> fieldsOf(const std::string& text)
  {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;)
    {
      const std::string::size_type end = text.find('\0', start);
      fields.push_back(text.substr(start, end - start));
      if (end == std::string::npos)
        return fields;
      start = end + 1;
    }
  }

  const char* const kSets[] = {"default", "other", "_hidden", ""};
  const char* const kParams[] = {"count", "scale", "label", "weights", "unbound"};

  // What an update of `set` must make of `before`.
  Bound expectedAfter(const coil::Properties& set, Bound before)
  {
    if (set.findNode("count") != nullptr)
      coil::stringTo(before.count, set.getProperty("count").c_str());
    if (set.findNode("scale") != nullptr)
      coil::stringTo(before.scale, set.getProperty("scale").c_str());
    if (set.findNode("label") != nullptr)
      coil::stringTo(before.label, set.getProperty("label").c_str());
    if (set.findNode("weights") != nullptr)
      coil::stringTo(before.weights, set.getProperty("weights").c_str());
    return before;
  }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::vector<std::string> fields = fieldsOf(std::string(reinterpret_cast<const char*>(data), size));
  coil::Properties tree;
  tree.setProperty("instance_name", "Fuzzed0");
  tree.setProperty("conf.default.count", "1");
  tree.setProperty("conf.other.label", "other");
  tree.setProperty("conf._hidden.count", "3");
  RTC::ConfigAdmin sut(tree.getNode("conf"));
  Bound vars;
  fuzz::require(sut.bindParameter("count", vars.count, "0"), "an int binds");
  fuzz::require(sut.bindParameter("scale", vars.scale, "0.5"), "a double binds");
  fuzz::require(sut.bindParameter("label", vars.label, "plain"), "a string binds");
  fuzz::require(sut.bindParameter("weights", vars.weights, "1,2"), "a list binds");

  for (std::size_t i = 0; i + 1 < fields.size(); i += 2)
  {
    const unsigned char op = fields[i].empty() ? 0 : static_cast<unsigned char>(fields[i][0]);
    const std::string& arg = fields[i + 1];
    const char* set = kSets[(op >> 3) % 4];
    const Bound before = vars;
    switch (op % 7)
    {
      case 0:
      case 1:
      {
        coil::Properties values(set);
        values.setProperty(kParams[(op >> 5) % 5], arg);
        sut.setConfigurationSetValues(values);
        break;
      }
      case 2:
        sut.activateConfigurationSet(op & 0x80 ? arg.c_str() : set);
        break;
      case 3:
        sut.addConfigurationSet(coil::Properties(arg.c_str()));
        break;
      case 4:
        sut.removeConfigurationSet(arg.c_str());
        break;
      case 5:
      {
        const coil::Properties applied = sut.getConfigurationSet(set);
        sut.update(set);
        fuzz::require(vars == expectedAfter(applied, before), "update(set) applies what converts, keeps the rest");
        continue;
      }
      default:
      {
        const bool applies = sut.isChanged() && sut.isActive();
        const coil::Properties applied = sut.getActiveConfigurationSet();
        sut.update();
        fuzz::require(vars == (applies ? expectedAfter(applied, before) : before),
                      "update() applies the active set once it changed");
        continue;
      }
    }
    fuzz::require(vars == before, "what a tool calls changes no variable");
  }
  return 0;
}
