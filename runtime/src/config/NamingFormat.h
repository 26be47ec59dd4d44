// Expansion of naming.formats / manager.naming_formats into the names bound in the naming
// service, e.g. "%h.host_cxt/%n.rtc" -> "myhost.host_cxt/Trimul0.rtc".
#pragma once

#include <coil/Properties.h>

#include <string>
#include <vector>

namespace rtm::config
{

  // Escapes read from `props`: %n instance_name, %t and %m type_name, %v version, %V vendor,
  // %c category, %i implementation_id, %N instance_name without its implementation_id prefix,
  // %h os.hostname, %M manager.name, %p manager.pid, %% a '%'; ${VAR} and $(VAR) from the
  // environment (unset -> empty). Anything else is copied as written.
  std::string expandNamingFormat(const std::string& format, const coil::Properties& props);

  // A comma-separated list of formats, each expanded; empty results and repeats dropped,
  // first occurrence order kept.
  std::vector<std::string> namingNames(const std::string& formats, const coil::Properties& props);

}  // namespace rtm::config
