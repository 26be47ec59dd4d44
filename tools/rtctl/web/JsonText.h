// JSON as the page's streams carry it. Names, values and reasons come from any process on the
// network, which may send bytes that are not UTF-8 (a port named in Latin-1, a TimedString
// sample); the JSON library throws on those, which would end the thread that was publishing.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace rtctl
{
  class JsonText
  {
  public:
    // Compact text, with each byte that is not part of well-formed UTF-8 as U+FFFD.
    static std::string dump(const nlohmann::json& value);
  };
}
