#include "testsupport/Paths.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

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

  std::string makeTempFolder(const std::string& prefix)
  {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr)
    {
      throw std::runtime_error("cannot create a temporary folder from " + pattern + ": " + std::strerror(errno));
    }
    return buffer.data();
  }

  std::string readFile(const std::string& path, std::streamoff from)
  {
    std::ifstream in(path, std::ios::binary);
    in.seekg(from);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

}  // namespace testsupport
