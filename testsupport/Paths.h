#pragma once

#include <ios>
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

  // A new empty folder "$TMPDIR/<prefix>XXXXXX" (/tmp without TMPDIR). Throws std::runtime_error
  // naming the pattern and the reason when it cannot be made. Removing it is the caller's.
  std::string makeTempFolder(const std::string& prefix);

  // What a file holds from offset `from` on; "" if it cannot be read.
  std::string readFile(const std::string& path, std::streamoff from = 0);

}  // namespace testsupport
