#include "commands/ConnectCommand.h"

#include "client/Arguments.h"
#include "client/Error.h"
#include "client/PortConnector.h"
#include "client/PortPair.h"
#include "client/Session.h"

#include <iostream>

namespace rtctl
{
  const char* ConnectCommand::usage() const
  {
    return "usage: rtctl connect PATH:PORT PATH:PORT [-p KEY=VALUE ...] [-n NAME] [-i ID]\n"
           "Connect two data ports, or two service ports, and print the connector id. Service ports:\n"
           "each interface one requires is served by the other's provider of the same type; -p KEY\n"
           "is taken as given. Data ports, defaults: dataport.dataflow_type=push,\n"
           "dataport.subscription_type=flush, dataport.interface_type=corba_cdr, dataport.data_type=\n"
           "the first port's. Refused before anything is asked of the ports: two inputs or two\n"
           "outputs, different data types, or a value one port does not offer.\n"
           "  -p KEY=VALUE  a connector property (repeatable); 'dataport.' is added to a KEY that\n"
           "                lacks it, e.g. -p subscription_type=new -p buffer.length=16\n"
           "  -n NAME       the connector's name (default PORT_PORT)\n"
           "  -i ID         the connector id (default: the port makes one)\n";
  }

  int ConnectCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {}, {"-p", "-n", "-i"});
    Session session(Orb::kClientOnly);
    const PortPair ports(session, args.positional());
    if (ports.first.ref->_is_equivalent(ports.second.ref.in()))
      throw UsageError("cannot connect " + ports.firstPath.text() + " to itself");

    const PortConnector::Properties properties =
      PortConnector::properties(ports.first.info, ports.second.info, args.values("-p"));
    PortConnector::checkCompatible(ports.firstPath.text(), ports.first.info, ports.secondPath.text(), ports.second.info,
                                   properties);
    const std::string name = args.value("-n", ports.first.info.shortName() + "_" + ports.second.info.shortName());
    std::cout << PortConnector::connect(ports.first.ref.in(), ports.second.ref.in(), properties, name, args.value("-i"))
              << std::endl;
    return kExitOk;
  }
}
