// The manager's command line (getopt string "af:l:o:p:d" plus -h/--help and --version), parsed by hand:
// getopt keeps global state and prints its own diagnostics, and the manager may be initialised
// by code that also parses argv.
#pragma once

#include <coil/Properties.h>

#include <string>

namespace rtm::config
{

  struct CommandLineResult
  {
    // -o, -p and -a settings in command-line order; they override everything else.
    coil::Properties overrides;
    std::string configFile;  // -f; empty if not given
    bool helpRequested = false;
    bool versionRequested = false;  // --version
    bool isMaster = false;  // -d
    std::string error;  // one line for the user; empty on success
  };

  // Options may follow non-option arguments (which are ignored); "--" ends the options.
  CommandLineResult parseCommandLine(int argc, char** argv);

  std::string usage(const char* program);

}  // namespace rtm::config
