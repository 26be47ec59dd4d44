// Fuzz target: the report a helper process hands back about the component types of a module. The
// module's own code runs in that process and may write anything where the report goes.
//
// Beyond "no crash", what the manager relies on:
//  - an accepted report holds at most kMostTypes types, each with an implementation_id;
//  - what write() makes of those types, read() reads back to the same types.
#include "Require.h"

#include "manager/ModuleTypeReport.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace
{

  // Every entry of every type, inner nodes carrying a value included.
  std::vector<std::string> entriesOf(const std::vector<coil::Properties>& types)
  {
    std::vector<std::string> entries;
    for (const coil::Properties& type : types)
    {
      std::ostringstream listing;
      type.list(listing);
      entries.push_back(listing.str());
    }
    return entries;
  }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<coil::Properties> types;
  std::string error;
  if (!rtm::ModuleTypeReport::read(text, types, error))
  {
    fuzz::require(!error.empty() && error.find('\n') == std::string::npos, "a refusal is one line");
    return 0;
  }
  fuzz::require(types.size() <= rtm::ModuleTypeReport::kMostTypes, "no more types than the bound");
  for (const coil::Properties& type : types)
  {
    fuzz::require(!type.getProperty("implementation_id").empty(), "every type has an implementation_id");
  }
  std::vector<coil::Properties> again;
  fuzz::require(rtm::ModuleTypeReport::read(rtm::ModuleTypeReport::write(types), again, error),
                "a written report reads back");
  fuzz::require(entriesOf(again) == entriesOf(types), "a written report reads back to the same types");
  return 0;
}
