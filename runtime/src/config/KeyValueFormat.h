// The rtc.conf "key: value" text format, kept apart from the tree so both directions
// (reading a file, writing one back) live next to each other.
#pragma once

#include <istream>
#include <string>
#include <utility>
#include <vector>

namespace rtm::config
{

  using KeyValue = std::pair<std::string, std::string>;

  // Every entry of the text in file order, keys and values trimmed and unescaped. Duplicates are
  // all returned; the caller applies them in order so the later one wins.
  std::vector<KeyValue> parseKeyValues(std::istream& in);

  // One line "key: value" (without line end) that parseKeyValues reads back to the same pair.
  std::string formatKeyValue(const std::string& key, const std::string& value);

}  // namespace rtm::config
