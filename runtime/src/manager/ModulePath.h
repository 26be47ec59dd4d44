// Which file a module name leads to: the administrator's load path (manager.modules.load_path)
// and whether absolute paths are allowed (manager.modules.abs_path_allowed). The name comes from
// whoever reaches the manager, so when absolute paths are refused nothing outside the load path's
// folders is ever named, through "../" or a symbolic link alike. Only looks at the file system:
// nothing is opened here.
#pragma once

#include <string>
#include <vector>

namespace rtm
{
  class ModulePath
  {
  public:
    // Relative folders are taken from the working directory; an empty list means "./".
    ModulePath(std::vector<std::string> folders, bool absPathAllowed);

    // The file `file` names, without links: an absolute path as it stands (if allowed);
    // otherwise the first folder of the load path that holds it, tried as written and then with
    // ".so" added. False with a one-line `error` naming the module and what is wrong.
    bool resolve(const std::string& file, std::string& path, std::string& error) const;

    // ".so", the ending of a module's file name.
    static const char* const kSuffix;
    // Whether `path` is a regular file whose name ends in ".so".
    static bool isModuleFile(const std::string& path);
    // The absolute path without links, "." or ".."; "" if it does not exist.
    static std::string canonical(const std::string& path);

    const std::vector<std::string>& folders() const { return m_folders; }
    bool absPathAllowed() const { return m_absPathAllowed; }

  private:
    std::vector<std::string> m_folders;
    bool m_absPathAllowed;
  };
}
