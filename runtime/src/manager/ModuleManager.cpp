#include "manager/ModuleManager.h"

#include "manager/ElfReader.h"

#include <coil/stringutil.h>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fstream>
#include <link.h>
#include <set>

namespace rtm
{
  namespace
  {
    // A module bigger than this is not read for its header; no component module comes near it.
    const std::streamoff kLargestModule = std::streamoff(1) << 30;

    // Libraries that carry an ORB or this middleware. A module may need the very ones this process
    // has loaded (a module built with pkg-config openrtm-aist links omniORB, libRTC and libcoil);
    // one linked against another copy would start a second ORB in the manager's process, which
    // omniORB answers with an abort. "libomni" covers every library of omniORB (ORB, Dynamic,
    // thread, codesets, SSL, ...); "libopenrtm" is never ours.
    const char* const kOwnOrbPrefixes[] = {"libomni", "libRTC", "libcoil", "libopenrtm"};

    bool isOrbOrMiddleware(const std::string& library)
    {
      for (const char* prefix : kOwnOrbPrefixes)
        if (library.compare(0, std::strlen(prefix), prefix) == 0)
          return true;
      return false;
    }

    std::string fileName(const std::string& path)
    {
      const auto slash = path.rfind('/');
      return slash == std::string::npos ? path : path.substr(slash + 1);
    }

    // The file names of the libraries loaded in this process. The dynamic linker loads a DT_NEEDED
    // entry by that name, so a module's entry equal to one of these is the copy already here.
    std::set<std::string> loadedLibraries()
    {
      std::set<std::string> names;
      ::dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* out) {
          if (info->dlpi_name != nullptr && *info->dlpi_name != '\0')
            static_cast<std::set<std::string>*>(out)->insert(fileName(info->dlpi_name));
          return 0;
        },
        &names);
      return names;
    }

    std::vector<std::string> folders(const coil::Properties& config)
    {
      std::vector<std::string> out;
      for (const std::string& folder : coil::split(config.getProperty("manager.modules.load_path"), ",", true))
        out.push_back(folder);
      return out;
    }
  }

  ModuleManager::ModuleManager(const coil::Properties& config)
    : m_path(folders(config), coil::toBool(config.getProperty("manager.modules.abs_path_allowed"), "YES", "NO", false))
  {}

  RTC::ReturnCode_t ModuleManager::resolve(const std::string& file, std::string& path, std::string& error) const
  {
    return m_path.resolve(file, path, error) ? RTC::RTC_OK : RTC::BAD_PARAMETER;
  }

  RTC::ReturnCode_t ModuleManager::inspect(const std::string& path, std::string& error)
  {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? std::streamoff(in.tellg()) : -1;
    if (size < 0 || size > kLargestModule)
    {
      error = "module '" + path + "': " + (size < 0 ? "cannot be read" : "too large for a module");
      return RTC::BAD_PARAMETER;
    }
    std::vector<unsigned char> image(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(image.data()), size))
    {
      error = "module '" + path + "': cannot be read";
      return RTC::BAD_PARAMETER;
    }
    ElfReader elf;
    std::string why;
    if (!elf.read(image.data(), image.size(), why))
    {
      error = "module '" + path + "' is not a shared object for this machine: " + why;
      return RTC::BAD_PARAMETER;
    }
    const std::set<std::string> loaded = loadedLibraries();
    // A program with the runtime and the ORB linked in (TrimulComp) holds none of the shared ones:
    // only rtcd can take such a module.
    const bool shared = std::any_of(loaded.begin(), loaded.end(), isOrbOrMiddleware);
    for (const std::string& library : elf.needed())
      if (isOrbOrMiddleware(library) && loaded.count(library) == 0)
      {
        error = "module '" + path + "' needs its own ORB or middleware (" + library + "): " +
                (shared ? "build it against the manager's own libraries, not another copy"
                        : "this program has the runtime and the ORB built in; load the module in rtcd");
        return RTC::PRECONDITION_NOT_MET;
      }
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t ModuleManager::open(const std::string& path, const std::string& initFunc, Module& module,
                                        InitFunc& init, std::string& error) const
  {
    RTC::ReturnCode_t checked = inspect(path, error);
    if (checked != RTC::RTC_OK)
      return checked;
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
    // dlsym also finds what the module's libraries define (libc's abort or exit): only a
    // function of the module's own file may be run as its init function.
    Dl_info info{};
    if (symbol == nullptr || ::dladdr(symbol, &info) == 0 || info.dli_fname == nullptr ||
        ModulePath::canonical(info.dli_fname) != path)
    {
      error = "module '" + path + "' has no init function '" + name + "' in it";
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
    auto it = std::find_if(m_loaded.begin(), m_loaded.end(), [&](const Module& m) { return m.filePath == filePath; });
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
      if (fileName(m.filePath) == file || fileName(m.filePath) == file + ModulePath::kSuffix)
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
    for (const std::string& folder : m_path.folders())
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
        if (!ModulePath::isModuleFile(folder + "/" + name) || !m_path.resolve(name, path, ignored))
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
      if (loadable.fileName == baseName + ModulePath::kSuffix)
        return loadable.filePath;
    return {};
  }

  std::string ModuleManager::defaultInitFunc(const std::string& filePath)
  {
    const std::string name = fileName(filePath);
    return name.substr(0, name.find('.')) + "Init";
  }
}
