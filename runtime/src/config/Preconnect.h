// manager.components.preconnect: the connections a manager makes between its own components at
// start-up, "Comp0.port0:Comp1.port1(key=value&key=value)", several separated by commas.
#pragma once

#include <coil/Properties.h>

#include <string>
#include <vector>

namespace rtm::config
{

  struct Preconnection
  {
    std::string text;  // the entry as written, for messages
    std::string component0, port0;  // port names in full, as the port profile has them: "Comp0.port0"
    std::string component1, port1;
    // Connector properties: each option key gets "dataport." in front (unless it has it already);
    // dataflow_type defaults to push and interface_type to corba_cdr.
    coil::Properties properties;
  };

  struct PreconnectList
  {
    std::vector<Preconnection> connections;
    std::vector<std::string> errors;  // one line per entry that is not understood
  };

  // Commas inside the parentheses belong to the options, so "(a=1,2)" stays one entry; each
  // entry that is not understood costs one line in `errors` and leaves the others alone.
  PreconnectList parsePreconnect(const std::string& value);

}  // namespace rtm::config
