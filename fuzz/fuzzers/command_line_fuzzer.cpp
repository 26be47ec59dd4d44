// Fuzz target: what a user types to start a component -- the manager's command line, the
// argument of createComponent ("Trimul?instance_name=x"), and the naming formats of rtc.conf.
//
// The same input feeds all three: split at NUL octets it is an argv (argv[0] first), taken whole
// it is a component argument and a naming format.
#include "Require.h"

#include "config/CommandLine.h"
#include "config/ComponentArgs.h"
#include "config/NamingFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace
{

  void parseArgv(const std::string& input)
  {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t nul = input.find('\0'); nul != std::string::npos; start = nul + 1, nul = input.find('\0', start))
    {
      words.push_back(input.substr(start, nul - start));
    }
    words.push_back(input.substr(start));

    // main() gets writable strings and a null after the last one; so does the parser here.
    std::vector<char*> argv;
    for (std::string& word : words)
    {
      argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    const auto result = rtm::config::parseCommandLine(static_cast<int>(words.size()), argv.data());
    if (result.error.empty())
    {
      (void)result.overrides.propertyNames();
    }
    (void)rtm::config::usage(argv[0]);
  }

  void parseComponentArgument(const std::string& input)
  {
    rtm::config::ComponentArgs args;
    std::string error;
    if (rtm::config::parseComponentArgs(input, args, error))
    {
      fuzz::require(error.empty(), "an accepted component argument carries no error");
      fuzz::require(!args.implementationId.empty(), "an accepted component argument names a type");
    }
    else
    {
      fuzz::require(!error.empty(), "a refused component argument says why");
    }
  }

  void expandNamingFormats(const std::string& input)
  {
    coil::Properties props;
    props.setProperty("instance_name", "Trimul0");
    props.setProperty("implementation_id", "Trimul");
    props.setProperty("type_name", "Trimul");
    props.setProperty("os.hostname", "host");
    props.setProperty("manager.pid", "42");

    const std::string expanded = rtm::config::expandNamingFormat(input, props);
    if (input.find_first_of("%$") == std::string::npos)
    {
      fuzz::require(expanded == input, "a format without escapes names itself");
    }

    const std::vector<std::string> names = rtm::config::namingNames(input, props);
    for (auto it = names.begin(); it != names.end(); ++it)
    {
      fuzz::require(!it->empty(), "no naming name is empty");
      fuzz::require(std::find(it + 1, names.end(), *it) == names.end(), "no naming name repeats");
    }
  }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string input(reinterpret_cast<const char*>(data), size);
  parseArgv(input);
  parseComponentArgument(input);
  expandNamingFormats(input);
  return 0;
}
