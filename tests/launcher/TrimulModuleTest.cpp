// Trimul.so, the component as a module for a manager daemon: it links the runtime's and omniORB's
// shared libraries, as a user's module does, and carries no copy of either (two managers or two
// ORBs in one process would be a fault). This test program carries the static runtime, so it does
// not load the module: it reads what the module and the programs need.
#include "testsupport/Paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace
{
  std::string trimulModule() { return testsupport::findProgram("src/Trimul.so"); }

  std::string commandOutput(const std::string& command)
  {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char line[512];
    while (pipe && fgets(line, sizeof line, pipe.get()) != nullptr)
      out += line;
    return out;
  }

  std::string definedSymbols(const std::string& file) { return commandOutput("nm -D --defined-only '" + file + "'"); }

  // The names of the libraries the dynamic linker loads for the file, its needs' needs included.
  std::set<std::string> neededLibraries(const std::string& file)
  {
    std::set<std::string> names;
    std::istringstream listing(commandOutput("ldd '" + file + "'"));
    for (std::string name; listing >> name;)
    {
      names.insert(name);
      listing.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return names;
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

// The module needs the shared runtime and ORB; rtcd has loaded those very files (so its module
// check accepts them and the process holds one of each), while TrimulComp carries the static
// runtime and none of them (so it refuses the module rather than start a second ORB).
TEST(TrimulModule, NeedsTheSharedRuntimeThatRtcdLoadsAndTrimulCompDoesNot)
{
  const std::set<std::string> module = neededLibraries(trimulModule());
  const std::set<std::string> rtcd = neededLibraries(testsupport::findProgram("tools/rtcd/rtcd"));
  const std::set<std::string> trimulComp = neededLibraries(testsupport::findProgram("src/TrimulComp"));
  for (const char* library : {"libRTC-1.1.2.so", "libcoil-1.1.2.so", "libomniORB4.so.2"})
  {
    EXPECT_EQ(module.count(library), 1u) << library;
    EXPECT_EQ(rtcd.count(library), 1u) << library;
  }
  for (const std::string& library : trimulComp)
    for (const char* shared : {"libRTC", "libcoil", "libomni"})
      EXPECT_NE(library.rfind(shared, 0), 0u) << library;
}
