#include "manager/ModuleManager.h"

#include <coil/stringutil.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>

namespace rtm
{
  namespace
  {
    const char* const kModuleSuffix = ".so";

    bool endsWith(const std::string& text, const std::string& tail)
    {
      return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    }

    bool isRegularFile(const std::string& path)
    {
      struct stat info {};
      return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    }

    // The absolute path without links, "." or ".."; "" if it does not exist.
    std::string canonical(const std::string& path)
    {
      char buffer[PATH_MAX];
      return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
    }

    std::string fileName(const std::string& path)
    {
      const auto slash = path.rfind('/');
      return slash == std::string::npos ? path : path.substr(slash + 1);
    }

    // The first existing regular file of `path` as written and, without the suffix, with it.
    std::string existingVariant(const std::string& path)
    {
      if (isRegularFile(path))
        return path;
      if (!endsWith(path, kModuleSuffix) && isRegularFile(path + kModuleSuffix))
        return path + kModuleSuffix;
      return {};
    }

    bool inside(const std::string& path, const std::string& folder)
    {
      return folder == "/" || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                               path[folder.size()] == '/');
    }
  }

  ModuleManager::ModuleManager(const coil::Properties& config)
    : m_absPathAllowed(coil::toBool(config.getProperty("manager.modules.abs_path_allowed"), "YES", "NO", true))
  {
    for (const std::string& folder : coil::split(config.getProperty("manager.modules.load_path"), ",", true))
      m_loadPath.push_back(folder);
    if (m_loadPath.empty())
      m_loadPath.push_back("./");
  }

  RTC::ReturnCode_t ModuleManager::resolve(const std::string& file, std::string& path, std::string& error) const
  {
    path.clear();
    if (file.empty())
    {
      error = "no module file named";
      return RTC::BAD_PARAMETER;
    }
    if (file[0] == '/')
    {
      if (!m_absPathAllowed)
      {
        error = "module '" + file + "': absolute paths are not allowed (manager.modules.abs_path_allowed is NO)";
        return RTC::BAD_PARAMETER;
      }
      path = canonical(existingVariant(file));
      if (path.empty())
      {
        error = "module '" + file + "': no such file";
        return RTC::BAD_PARAMETER;
      }
      return RTC::RTC_OK;
    }
    bool outside = false;
    for (const std::string& folder : m_loadPath)
    {
      const std::string found = existingVariant(folder + "/" + file);
      if (found.empty())
        continue;
      const std::string resolved = canonical(found);
      // With absolute paths refused, the load path is the only place modules may come from.
      if (!m_absPathAllowed && !inside(resolved, canonical(folder)))
      {
        outside = true;
        continue;
      }
      path = resolved;
      return RTC::RTC_OK;
    }
    std::string folders;
    for (const std::string& folder : m_loadPath)
      folders += (folders.empty() ? "" : ", ") + folder;
    error = outside ? "module '" + file + "' lies outside the load path (" + folders + ")"
                    : "module '" + file + "' not found in the load path (" + folders + ")";
    return RTC::BAD_PARAMETER;
  }

  RTC::ReturnCode_t ModuleManager::open(const std::string& path, const std::string& initFunc, Module& module,
                                        InitFunc& init, std::string& error) const
  {
    // RTLD_NOW: every symbol the module needs from this program is looked up here, so that one
    // the program lacks fails the load instead of the first call that reaches it. RTLD_LOCAL:
    // two modules may carry symbols of the same name without meeting.
    void* raw = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (raw == nullptr)
    {
      const char* why = ::dlerror();
      error = "cannot load module '" + path + "': " + (why != nullptr ? why : "unknown error");
      return RTC::RTC_ERROR;
    }
    std::shared_ptr<void> handle(raw, [](void* h) { ::dlclose(h); });
    const std::string name = initFunc.empty() ? defaultInitFunc(path) : initFunc;
    void* symbol = ::dlsym(raw, name.c_str());
    if (symbol == nullptr)
    {
      error = "module '" + path + "' has no init function '" + name + "'";
      return RTC::BAD_PARAMETER;
    }
    module.filePath = path;
    module.initFunc = name;
    module.handle = handle;
    init = reinterpret_cast<InitFunc>(symbol);
    return RTC::RTC_OK;
  }

  void ModuleManager::add(const Module& module)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_loaded.push_back(module);
  }

  bool ModuleManager::remove(const std::string& filePath)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find_if(m_loaded.begin(), m_loaded.end(),
                           [&](const Module& m) { return m.filePath == filePath; });
    if (it == m_loaded.end())
      return false;
    m_loaded.erase(it);
    return true;
  }

  bool ModuleManager::isLoaded(const std::string& filePath) const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(m_loaded.begin(), m_loaded.end(), [&](const Module& m) { return m.filePath == filePath; });
  }

  std::string ModuleManager::findLoaded(const std::string& file) const
  {
    std::string resolved;
    std::string ignored;
    if (resolve(file, resolved, ignored) != RTC::RTC_OK)
      resolved.clear();
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Module& m : m_loaded)
      if (m.filePath == file || m.filePath == resolved)
        return m.filePath;
    for (const Module& m : m_loaded)
      if (fileName(m.filePath) == file || fileName(m.filePath) == file + kModuleSuffix)
        return m.filePath;
    return {};
  }

  std::vector<ModuleManager::Module> ModuleManager::loaded() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_loaded;
  }

  std::vector<ModuleManager::Loadable> ModuleManager::loadableFiles() const
  {
    std::vector<Loadable> files;
    for (const std::string& folder : m_loadPath)
    {
      DIR* dir = ::opendir(folder.c_str());
      if (dir == nullptr)
        continue;
      std::vector<std::string> names;
      while (const dirent* entry = ::readdir(dir))
        names.push_back(entry->d_name);
      ::closedir(dir);
      std::sort(names.begin(), names.end());
      for (const std::string& name : names)
      {
        std::string path;
        std::string ignored;
        if (!endsWith(name, kModuleSuffix) || !isRegularFile(folder + "/" + name) ||
            resolve(name, path, ignored) != RTC::RTC_OK)
          continue;
        const bool seen =
            std::any_of(files.begin(), files.end(), [&](const Loadable& l) { return l.filePath == path; });
        if (!seen)
          files.push_back({name, path});
      }
    }
    return files;
  }

  std::string ModuleManager::findLoadable(const std::string& baseName) const
  {
    for (const Loadable& loadable : loadableFiles())
      if (loadable.fileName == baseName + kModuleSuffix)
        return loadable.filePath;
    return {};
  }

  std::string ModuleManager::defaultInitFunc(const std::string& filePath)
  {
    const std::string name = fileName(filePath);
    return name.substr(0, name.find('.')) + "Init";
  }
}
