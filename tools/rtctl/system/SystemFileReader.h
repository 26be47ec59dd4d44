// Reads a system profile file (XML, version 0.2, as the middleware's editors and shell tools
// write it) into a SystemProfile. Elements are found by namespace, not by prefix, in any order;
// elements and attributes it does not know are ignored. A file that cannot be used is refused
// with one Error naming the file, the element and what is wrong.
#pragma once

#include "client/SystemProfile.h"

#include <string>

namespace rtctl
{
  class SystemFileReader
  {
  public:
    static SystemProfile read(const std::string& fileName);
    // The same from text in hand; `fileName` only names it in messages.
    static SystemProfile parse(const std::string& text, const std::string& fileName);
  };
}
