// Trimul.so, the component as a module for a manager daemon: it links the runtime's and omniORB's
// shared libraries, as a user's module does, and carries no copy of either (two managers or two
// ORBs in one process would be a fault). Loaded into a program of the runtime (this one, rtcd) it
// takes the very libraries the program has.
#include "testsupport/Paths.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <memory>
#include <string>

namespace
{
  std::string trimulModule() { return testsupport::findProgram("src/Trimul.so"); }

  std::string definedSymbols(const std::string& file)
  {
    const std::string command = "nm -D --defined-only '" + file + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string symbols;
    char line[512];
    while (pipe && fgets(line, sizeof line, pipe.get()) != nullptr)
      symbols += line;
    return symbols;
  }
}

TEST(TrimulModule, ExportsTrimulInitAndDefinesNothingOfTheRuntimeOrTheOrb)
{
  const std::string symbols = definedSymbols(trimulModule());
  EXPECT_NE(symbols.find(" T TrimulInit\n"), std::string::npos) << symbols.substr(0, 2000);
  // The manager, the component base class and the ORB's entry point are the loading program's.
  for (const char* foreign :
       {"_ZN3RTC7Manager4initEiPPc", "_ZN3RTC13RTObject_implC2EPNS_7ManagerE", "_ZN5CORBA8ORB_initERiPPcPKcPA2_S4_"})
    EXPECT_EQ(symbols.find(foreign), std::string::npos) << foreign;
}

TEST(TrimulModule, LoadsIntoAProgramOfTheRuntimeWithOneCopyOfTheRuntimeAndOfTheOrb)
{
  void* handle = dlopen(trimulModule().c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();

  // Each library is mapped from one file, whatever the module asked for.
  std::map<std::string, std::set<std::string>> files;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
  {
    const auto slash = line.find('/');
    if (slash == std::string::npos)
      continue;
    const std::string path = line.substr(slash);
    for (const char* library : {"libRTC", "libcoil", "libomniORB4", "libomniDynamic4", "/Trimul.so"})
      if (path.find(library) != std::string::npos)
        files[library].insert(path);
  }
  dlclose(handle);
  for (const char* library : {"libRTC", "libcoil", "libomniORB4", "libomniDynamic4", "/Trimul.so"})
    EXPECT_EQ(files[library].size(), 1u) << library;
}
