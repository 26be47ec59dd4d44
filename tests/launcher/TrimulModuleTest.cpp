// Trimul.so, the component as a module for a manager daemon: it takes the runtime and the ORB
// from the program that loads it and carries no copy of either (two managers or two ORBs in one
// process would be a fault). This test program exports neither, so loading the module here fails
// at once, on the first symbol it lacks; in rtcd, which exports both, it loads.
#include "testsupport/Paths.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
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

TEST(TrimulModule, ProgramThatDoesNotExportTheRuntimeCannotLoadItAtAll)
{
  void* handle = dlopen(trimulModule().c_str(), RTLD_NOW | RTLD_LOCAL);
  const char* error = handle == nullptr ? dlerror() : nullptr;
  if (handle != nullptr)
    dlclose(handle);
  ASSERT_EQ(handle, nullptr);
  EXPECT_NE(std::string(error).find("undefined symbol"), std::string::npos) << error;
}
