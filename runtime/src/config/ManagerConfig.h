// The manager's whole configuration, from lowest to highest precedence: compiled-in defaults,
// one configuration file, system information (os.*, manager.pid), -d, then -o/-p/-a.
#pragma once

#include "config/CommandLine.h"

#include <coil/Properties.h>

#include <string>

namespace rtm::config
{

  // The file to read, searched in the middleware's order: -f, $RTC_MANAGER_CONFIG, ./rtc.conf,
  // /etc/rtc.conf, /etc/rtc/rtc.conf, /usr/local/etc/rtc.conf, /usr/local/etc/rtc/rtc.conf.
  // "" if there is none (defaults only). A -f file that cannot be read is an error (set in
  // `error`, "" returned), because silently running on other settings hides a typo.
  std::string findConfigFile(const CommandLineResult& commandLine, std::string& error);

  // The compiled-in defaults alone.
  coil::Properties defaultManagerConfig();

  // Sets os.name, os.release, os.version, os.arch, os.hostname (from uname) and manager.pid.
  void addSystemInfo(coil::Properties& config);

  // Why a setting that names an instance (instance_name, *.instance_name) or a naming format
  // (naming.formats, *.naming.formats, manager.naming_formats) cannot be used, or "": one line
  // naming the key. A format is judged by what it expands to with stand-in component values.
  std::string nameSettingsProblem(const coil::Properties& config);

  // Builds the configuration into `out` (replacing its contents). On -h/--help sets `help` and
  // returns true without loading anything; on a bad option, an unreadable -f file or a name
  // setting that nameSettingsProblem refuses returns false
  // with a one-line message in `error`.
  bool loadManagerConfig(int argc, char** argv, coil::Properties& out, std::string& error, bool& help);

}  // namespace rtm::config
