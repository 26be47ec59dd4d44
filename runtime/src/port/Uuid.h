// Connector ids: random (version 4) UUIDs in the lowercase 8-4-4-4-12 form peers generate.
#pragma once

#include <string>

namespace rtm
{
  std::string generateUuid();
}
