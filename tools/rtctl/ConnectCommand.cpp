#include "ConnectCommand.h"

#include "Arguments.h"
#include "ComponentRef.h"
#include "Error.h"
#include "PortConnector.h"
#include "Session.h"

#include <iostream>

namespace rtctl
{
  const char* ConnectCommand::usage() const
  {
    return "usage: rtctl connect PATH:PORT PATH:PORT [-p KEY=VALUE ...] [-n NAME] [-i ID]\n"
           "Connect two data ports and print the connector id. Defaults: dataport.dataflow_type=push,\n"
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
    if (args.positional().size() != 2)
      throw UsageError("takes two ports, PATH:PORT PATH:PORT (see --help)");
    Session session(Orb::kClientOnly);
    const RtPath firstPath = session.path(args.positional()[0]);
    const RtPath secondPath = session.path(args.positional()[1]);
    const ComponentRef::Port first = ComponentRef::resolvePort(session.names(firstPath), firstPath);
    const ComponentRef::Port second = ComponentRef::resolvePort(session.names(secondPath), secondPath);
    if (first.ref->_is_equivalent(second.ref.in()))
      throw UsageError("cannot connect " + firstPath.text() + " to itself");

    const PortConnector::Properties properties = PortConnector::properties(first.info, args.values("-p"));
    PortConnector::checkCompatible(firstPath.text(), first.info, secondPath.text(), second.info, properties);
    const std::string name = args.value("-n", first.info.shortName() + "_" + second.info.shortName());
    std::cout << PortConnector::connect(first.ref.in(), second.ref.in(), properties, name, args.value("-i"))
              << std::endl;
    return kExitOk;
  }
}
