// Which provider a service port's consumer is given by a connector profile. A tool that knows
// both ends writes "<instance>.port.<port>.required.<type>.<name>" naming the provider's key;
// older tools rely on the provider publishing "port.<type>.<name>" under the consumer's own names.
#pragma once

#include <rtm/RTC.h>

#include <string>

namespace rtm
{
  class ConsumerBinding
  {
  public:
    enum class Outcome
    {
      Reference,  // `ior` is the provider's reference
      Null,  // the profile says on purpose that there is none ("null", "nil")
      NotIor,  // the value found is no stringified reference: ignored
      NoProvider,  // the profile names no provider for this consumer
      ProviderKeyGone,  // the required key names a provider key the profile does not hold
    };

    // `portName` is the port's own name ("service"), `instance` its component's.
    static ConsumerBinding find(const SDOPackage::NVList& properties, const std::string& instance,
                                const std::string& portName, const std::string& typeName,
                                const std::string& instanceName);

    // Whether the consumer counts as served: a strict connection refuses one that is not.
    bool matched() const;
    // One line for the log saying what was found and where.
    std::string describe() const;

    Outcome outcome = Outcome::NoProvider;
    std::string key;  // the property the value came from (or that was looked for)
    std::string ior;
  };
}
