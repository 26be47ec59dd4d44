#include "TlsLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

// RTM_TLS_FORWARDED: OpenSSL is in librtm_tls.so and the program reaches it through
// OpenSslForwarders.S. Otherwise (a build that links OpenSSL in, the fuzz targets) the library's
// code is in the program itself and there is nothing to load.
#ifdef RTM_TLS_FORWARDED
namespace
{
  constexpr std::size_t kImportCount = 0
#define RTM_TLS_IMPORT(name) +1
#include "../tls/OpenSslImports.h"
#undef RTM_TLS_IMPORT
    ;
}

// Where OpenSslForwarders.S jumps to.
extern "C" __attribute__((visibility("hidden"))) void* rtm_tls_slots[kImportCount];

// An OpenSSL call before the library is loaded would be a fault of ours; better one line than a
// jump to nowhere.
extern "C" __attribute__((visibility("hidden"), noreturn)) void rtm_tls_unloaded()
{
  std::fputs("rtm: an OpenSSL function was called before the TLS library was loaded\n", stderr);
  std::abort();
}
#endif

namespace rtm
{
  namespace
  {
    std::atomic<const TlsLibraryApi*> g_api{nullptr};
    std::string g_why;
    std::once_flag g_once;

#ifndef RTM_TLS_FORWARDED
    void loadOnce() { g_api = rtm_tls_library(); }
#else
    std::string programFolder()
    {
      std::vector<char> path(4096);
      const ssize_t size = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
      if (size <= 0)
        return "";
      const std::string program(path.data(), static_cast<std::size_t>(size));
      return program.substr(0, program.rfind('/') + 1);
    }

    // "" when this build says nowhere.
    std::string libraryPath()
    {
      const char* named = std::getenv("TRIMUL_TLS_LIBRARY");
      if (named != nullptr && *named != '\0')
        return named;
      const std::string folder = programFolder();
      // A program of the build tree takes the library built beside it; an installed one never
      // reaches into a build tree, which may be gone or of another build.
      if (folder.compare(0, std::string(RTM_TLS_BUILD_TREE).size(), RTM_TLS_BUILD_TREE) == 0)
        return RTM_TLS_LIBRARY_BUILT;
#ifdef RTM_TLS_LIBRARY_FROM_PROGRAM
      // Installed: beside the component module, wherever the package was installed.
      return folder + RTM_TLS_LIBRARY_FROM_PROGRAM;
#else
      return "";
#endif
    }

    void loadOnce()
    {
      const std::string path = libraryPath();
      if (path.empty() || ::access(path.c_str(), F_OK) != 0)
      {
        g_why = "TLS needs the library librtm_tls.so" + (path.empty() ? "" : ", not found at '" + path + "'") +
                ": reinstall the package, or name it in TRIMUL_TLS_LIBRARY";
        return;
      }
      void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (handle == nullptr)
      {
        const char* error = ::dlerror();
        g_why = "cannot load the TLS library '" + path + "': " + (error ? error : "unknown error");
        return;
      }
      using Entry = const TlsLibraryApi* (*)();
      const auto entry = reinterpret_cast<Entry>(::dlsym(handle, "rtm_tls_library"));
      const TlsLibraryApi* api = entry ? entry() : nullptr;
      if (api == nullptr || api->version != TlsLibraryApi::kVersion || api->importCount != kImportCount)
      {
        ::dlclose(handle);
        g_why = "the TLS library '" + path + "' is not of this build: reinstall the package, or name the right one " +
                "in TRIMUL_TLS_LIBRARY";
        return;
      }
      // Kept loaded for the life of the process: the ORB calls into it until the end.
      for (std::size_t i = 0; i < kImportCount; ++i)
        rtm_tls_slots[i] = const_cast<void*>(api->imports[i]);
      g_api = api;
    }
#endif
  }

  const TlsLibraryApi* TlsLoader::load()
  {
    std::call_once(g_once, loadOnce);
    return g_api;
  }

  std::string TlsLoader::why()
  {
    load();
    return g_why;
  }

  const TlsLibraryApi* TlsLoader::loaded()
  {
    // Only once loading has run, so that asking never loads.
    return g_api;
  }
}
