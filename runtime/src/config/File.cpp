#include <coil/File.h>

#include <dirent.h>
#include <fnmatch.h>

#include <algorithm>
#include <cstring>

namespace coil
{
  std::string dirname(char* path)
  {
    std::string p = path != nullptr ? path : "";
    while (p.size() > 1 && p.back() == '/')
      p.pop_back();
    const std::string::size_type slash = p.rfind('/');
    if (slash == std::string::npos)
      return ".";
    if (slash == 0)
      return "/";
    p.erase(slash);
    while (p.size() > 1 && p.back() == '/')
      p.pop_back();
    return p;
  }

  std::string basename(const char* path)
  {
    std::string p = path != nullptr ? path : "";
    while (p.size() > 1 && p.back() == '/')
      p.pop_back();
    const std::string::size_type slash = p.rfind('/');
    if (slash == std::string::npos || p == "/")
      return p;
    return p.substr(slash + 1);
  }

  coil::vstring filelist(const char* path, const char* glob_str)
  {
    coil::vstring names;
    DIR* dir = ::opendir(path != nullptr ? path : "");
    if (dir == nullptr)
      return names;
    const std::string pattern = glob_str != nullptr ? glob_str : "";
    while (const dirent* entry = ::readdir(dir))
    {
      const char* name = entry->d_name;
      if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        continue;
      if (pattern.empty() || ::fnmatch(pattern.c_str(), name, 0) == 0)
        names.push_back(name);
    }
    ::closedir(dir);
    // readdir's order is the file system's: sorted, the list is the same on every run.
    std::sort(names.begin(), names.end());
    return names;
  }
}  // namespace coil
