#include "testsupport/Paths.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <stdexcept>

#ifndef TRIMUL_BINARY_DIR
#error "TRIMUL_BINARY_DIR must be defined by the build"
#endif

namespace testsupport
{

  std::string binaryDir() { return TRIMUL_BINARY_DIR; }

  std::string findProgram(const std::string& relativePath)
  {
    std::string path = binaryDir() + "/" + relativePath;
    if (::access(path.c_str(), X_OK) != 0)
    {
      throw std::runtime_error("program not found or not executable: " + path + " (build its target first)");
    }
    return path;
  }

  std::string hostName()
  {
    struct utsname names
    {};
    if (::uname(&names) != 0)
    {
      throw std::runtime_error("uname failed");
    }
    return names.nodename;
  }

}  // namespace testsupport
