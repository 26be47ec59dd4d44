// Connecting two data ports as the middleware's shell tools do: fill in the default connector
// properties, refuse a pair that cannot work before asking either port (the ports themselves
// accept mismatched data types and would then decode garbage), then call connect on the first
// port with both listed, which relays the handshake to the second.
#pragma once

#include "client/PortInfo.h"

#include <rtm/idl/RTC.hh>

#include <string>
#include <utility>
#include <vector>

namespace rtctl
{
  class PortConnector
  {
  public:
    typedef std::vector<std::pair<std::string, std::string>> Properties;

    // Defaults (push, flush, corba_cdr, the first port's data type) overridden by the user's
    // "key=value" words; a key without the "dataport." prefix gets it. UsageError for a word
    // without '='.
    static Properties properties(const PortInfo& first, const std::vector<std::string>& userPairs);
    // As above for data ports. For two service ports: no data-port defaults, the user's words
    // as given, and for each interface one port requires and the other provides under the same
    // type name, "<instance>.port.<port>.required.<type>.<name>" naming the provider's key, so
    // that the two need not use the same names. Error if no required interface finds a provider.
    static Properties properties(const PortInfo& first, const PortInfo& second,
                                 const std::vector<std::string>& userPairs);

    // Throws Error naming the two ports when the connection cannot work: two inputs or two
    // outputs, different data types, or a value that a port does not offer for a key it lists;
    // a service port and a data port.
    static void checkCompatible(const std::string& firstName, const PortInfo& first, const std::string& secondName,
                                const PortInfo& second, const Properties& properties);

    // Returns the connector id, or throws Error with the port's answer.
    static std::string connect(RTC::PortService_ptr first, RTC::PortService_ptr second, const Properties& properties,
                               const std::string& name, const std::string& id);

    // Removes every connector that joins the two ports; returns their ids (empty if none).
    static std::vector<std::string> disconnect(RTC::PortService_ptr first, RTC::PortService_ptr second);

    // "a,B, c" offers "b"? Case does not count; a list containing "any" offers everything.
    static bool offers(const std::string& offered, const std::string& wanted);
  };
}
