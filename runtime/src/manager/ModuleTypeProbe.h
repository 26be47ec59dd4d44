// Learns which component types a module on the load path registers, without loading it into this
// process: a module's init function and the constructors of its libraries run arbitrary code,
// which must not run in a manager that only lists what it could load. The module is loaded in a
// short-lived helper process instead (rtcd beside this program, started as
// `rtcd --module-types PATH`), which prints the profiles of the types registered and exits.
//
// The helper is started with posix_spawn (no fork of this multi-threaded ORB process without an
// exec), with nothing but its standard output open, and it is bounded: killed when it runs past
// the time limit or writes more than the output limit.
#pragma once

#include <coil/Properties.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace rtm
{
  class ModuleTypeProbe
  {
  public:
    static const char* const kOption;  // "--module-types"

    struct Limits
    {
      std::chrono::milliseconds time{5000};
      std::size_t output = 64 * 1024;
    };

    // `helper` is the program run as `helper --module-types PATH`; "" makes run() fail.
    explicit ModuleTypeProbe(std::string helper);
    ModuleTypeProbe(std::string helper, Limits limits);

    // The profiles of the types the module at `path` registers (empty when it registers none).
    // False with one line in `error` when the helper cannot start, fails, runs too long or
    // writes what is not a report.
    bool run(const std::string& path, std::vector<coil::Properties>& types, std::string& error) const;

    const std::string& helper() const { return m_helper; }

    // rtcd in the folder of this process's program, where the programs of one build or one
    // install sit together; "" when there is none.
    static std::string helperBesideThisProgram();

  private:
    const std::string m_helper;
    const Limits m_limits;
  };
}
