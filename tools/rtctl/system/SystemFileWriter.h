// Writes a SystemProfile as a system profile file, in the form the middleware's editors and
// shell tools write and read: prefixes rts, rtsExt and xsi, components, then data connectors.
#pragma once

#include "client/SystemProfile.h"

#include <string>

namespace rtctl
{
  class SystemFileWriter
  {
  public:
    static std::string text(const SystemProfile& profile);
    // Writes beside the file and renames it into place, so that a failed write never leaves
    // half a file, nor spoils one that was there. Throws Error naming the file.
    static void write(const SystemProfile& profile, const std::string& fileName);
  };
}
