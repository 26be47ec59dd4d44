#include "web/JsonText.h"

namespace rtctl
{
  std::string JsonText::dump(const nlohmann::json& value)
  {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  }
}
