// The component modules of one manager: shared objects found on manager.modules.load_path,
// opened with every symbol resolved at once (a symbol the program does not provide is a load
// error with the linker's own words, never a crash at first use), kept open while anything of
// theirs may still run, and closed when the last holder lets go.
//
// Loading here checks the file, opens it and finds its init function; calling it, and knowing
// which factories it registered, is the manager's part. The file is checked before it is opened,
// because opening a library already runs its constructors: it must be a shared object for this
// machine that uses the manager's ORB, not one of its own.
#pragma once

#include "manager/ModulePath.h"

#include <coil/Properties.h>
#include <rtm/RTC.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace RTC
{
  class Manager;
}

namespace rtm
{
  class ModuleManager
  {
  public:
    typedef void (*InitFunc)(RTC::Manager*);

    struct Module
    {
      std::string filePath;  // absolute, as opened
      std::string initFunc;
      // The open library; closed when the last copy (the list here, a factory of its own, a
      // component being deleted) goes.
      std::shared_ptr<void> handle;
    };

    // Reads manager.modules.load_path (comma list of folders, relative ones taken from the
    // working directory) and manager.modules.abs_path_allowed (NO unless set).
    explicit ModuleManager(const coil::Properties& config);

    // The file `file` names (see ModulePath::resolve). Sets `error` (one line) and returns the
    // code to answer.
    RTC::ReturnCode_t resolve(const std::string& file, std::string& path, std::string& error) const;

    // Reads the file at `path` without opening it as a library: BAD_PARAMETER if it is no shared
    // object for this machine, PRECONDITION_NOT_MET if it needs its own ORB or middleware.
    static RTC::ReturnCode_t inspect(const std::string& path, std::string& error);

    // Inspects and opens the resolved `path` and finds `initFunc` (default: the file's base name
    // + "Init"), which must be defined in that file itself. Nothing is kept on failure.
    RTC::ReturnCode_t open(const std::string& path, const std::string& initFunc, Module& module, InitFunc& init,
                           std::string& error) const;

    // The list of loaded modules.
    void add(const Module& module);
    bool remove(const std::string& filePath);
    bool isLoaded(const std::string& filePath) const;
    // The loaded module `file` names: its path as listed, a name the load path resolves to it,
    // or its file name with or without ".so"; "" if none.
    std::string findLoaded(const std::string& file) const;
    std::vector<Module> loaded() const;

    struct Loadable
    {
      std::string fileName;  // as it stands in its folder, the name to load it by
      std::string filePath;  // what it resolves to, as a loaded module lists it
    };
    // Every *.so file directly in a folder of the load path that load() would open by its name
    // (one that an earlier folder's file of the same name hides is not).
    std::vector<Loadable> loadableFiles() const;
    // The loadable file whose base name is `baseName` ("Trimul" finds Trimul.so), or "".
    std::string findLoadable(const std::string& baseName) const;

    static std::string defaultInitFunc(const std::string& filePath);

  private:
    ModulePath m_path;
    mutable std::mutex m_mutex;
    std::vector<Module> m_loaded;
  };
}
