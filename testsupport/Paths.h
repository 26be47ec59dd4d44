#pragma once

#include <string>

namespace testsupport
{

  // Top of the CMake build tree the tests were built in.
  std::string binaryDir();

  // Absolute path of a program built in this tree, e.g. findProgram("src/TrimulComp").
  // Throws std::runtime_error naming the missing file, so a test fails with a reason rather than
  // with an exec error further down.
  std::string findProgram(const std::string& relativePath);

  // This machine's node name, the same one the runtime uses for "%h" in naming formats.
  std::string hostName();

}  // namespace testsupport
