#include "manager/ModulePath.h"

#include "config/InstanceName.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <utility>

namespace rtm
{
  namespace
  {
    bool endsWith(const std::string& text, const std::string& tail)
    {
      return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    }

    bool isRegularFile(const std::string& path)
    {
      struct stat info
      {};
      return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    }

    bool exists(const std::string& path)
    {
      struct stat info
      {};
      return ::stat(path.c_str(), &info) == 0;
    }

    // The first existing regular file of `path` as written and, without the suffix, with it.
    std::string existingVariant(const std::string& path)
    {
      if (isRegularFile(path))
        return path;
      if (!endsWith(path, ModulePath::kSuffix) && isRegularFile(path + ModulePath::kSuffix))
        return path + ModulePath::kSuffix;
      return {};
    }

    bool inside(const std::string& path, const std::string& folder)
    {
      return !folder.empty() &&
             (folder == "/" || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                                path[folder.size()] == '/'));
    }
  }

  const char* const ModulePath::kSuffix = ".so";

  bool ModulePath::isModuleFile(const std::string& path) { return endsWith(path, kSuffix) && isRegularFile(path); }

  std::string ModulePath::canonical(const std::string& path)
  {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
  }

  ModulePath::ModulePath(std::vector<std::string> folders, bool absPathAllowed)
    : m_folders(std::move(folders)), m_absPathAllowed(absPathAllowed)
  {
    if (m_folders.empty())
      m_folders.push_back("./");
  }

  bool ModulePath::resolve(const std::string& file, std::string& path, std::string& error) const
  {
    path.clear();
    if (file.empty())
    {
      error = "no module file named";
      return false;
    }
    if (file.find('\0') != std::string::npos)
    {
      error = "module name holds a NUL character";
      return false;
    }
    if (file[0] == '/')
    {
      if (!m_absPathAllowed)
      {
        error = "module '" + config::printable(file) +
                "': absolute paths are not allowed (manager.modules.abs_path_allowed is NO)";
        return false;
      }
      path = canonical(existingVariant(file));
      if (path.empty())
        error = "module '" + config::printable(file) + "': " + (exists(file) ? "not a regular file" : "no such file");
      return !path.empty();
    }
    bool outside = false;
    bool irregular = false;
    for (const std::string& folder : m_folders)
    {
      const std::string found = existingVariant(folder + "/" + file);
      if (found.empty())
      {
        irregular = irregular || exists(folder + "/" + file);
        continue;
      }
      const std::string resolved = canonical(found);
      // With absolute paths refused, the load path is the only place modules may come from.
      if (!m_absPathAllowed && !inside(resolved, canonical(folder)))
      {
        outside = true;
        continue;
      }
      path = resolved;
      return true;
    }
    std::string folders;
    for (const std::string& folder : m_folders)
      folders += (folders.empty() ? "" : ", ") + folder;
    error = "module '" + config::printable(file) + "' " +
            (outside     ? "lies outside the load path (" + folders + ")"
             : irregular ? "is not a regular file (load path " + folders + ")"
                         : "not found in the load path (" + folders + ")");
    return false;
  }
}
