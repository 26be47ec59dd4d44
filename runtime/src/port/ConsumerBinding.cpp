#include "port/ConsumerBinding.h"

#include "port/ConnectorOptions.h"

namespace rtm
{
  namespace
  {
    ConsumerBinding bindingFromValue(const std::string& key, const std::string& value)
    {
      ConsumerBinding binding;
      binding.key = key;
      binding.ior = value;
      if (value == "null" || value == "nil")
        binding.outcome = ConsumerBinding::Outcome::Null;
      else if (value.compare(0, 4, "IOR:") != 0)
        binding.outcome = ConsumerBinding::Outcome::NotIor;
      else
        binding.outcome = ConsumerBinding::Outcome::Reference;
      return binding;
    }
  }

  ConsumerBinding ConsumerBinding::find(const SDOPackage::NVList& properties, const std::string& instance,
                                        const std::string& portName, const std::string& typeName,
                                        const std::string& instanceName)
  {
    const std::string required = instance + ".port." + portName + ".required." + typeName + "." + instanceName;
    std::string providerKey;
    std::string value;
    bool keyGone = false;
    if (findString(properties, required.c_str(), providerKey))
    {
      if (findString(properties, providerKey.c_str(), value))
        return bindingFromValue(providerKey, value);
      keyGone = true;
    }
    const std::string oldStyle = "port." + typeName + "." + instanceName;
    if (findString(properties, oldStyle.c_str(), value))
      return bindingFromValue(oldStyle, value);

    ConsumerBinding binding;
    binding.outcome = keyGone ? Outcome::ProviderKeyGone : Outcome::NoProvider;
    binding.key = keyGone ? providerKey : required;
    return binding;
  }

  bool ConsumerBinding::matched() const
  {
    return outcome != Outcome::NoProvider && outcome != Outcome::ProviderKeyGone;
  }

  std::string ConsumerBinding::describe() const
  {
    switch (outcome)
    {
      case Outcome::Reference:
        return "provider reference from '" + key + "'";
      case Outcome::Null:
        return "'" + key + "' is " + ior + ": left unset";
      case Outcome::NotIor:
        return "'" + key + "' holds '" + ior.substr(0, 40) +
               "', not an object reference (IOR:...): ignored; the provider's port must publish its IOR there";
      case Outcome::NoProvider:
        return "the connection names no provider for it (neither '" + key +
               "' nor port.<type>.<name>); connect with rtctl, which names it, or give both sides the same names";
      case Outcome::ProviderKeyGone:
        return "the connection names provider key '" + key +
               "', which it does not hold: the provider's port offers no such interface";
    }
    return std::string();
  }
}
