#include "client/SystemProfile.h"

namespace rtctl
{
  namespace
  {
    bool endsWith(const std::string& text, const std::string& tail)
    {
      return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    }

    void setIfAbsent(TextPairs& values, const std::string& key, const std::string& value)
    {
      if (value.empty())
        return;
      for (const auto& nv : values)
        if (nv.first == key)
          return;
      values.emplace_back(key, value);
    }
  }

  const SavedDataPort* SavedComponent::dataPort(const std::string& name) const
  {
    for (const SavedDataPort& port : dataPorts)
      if (port.name == name)
        return &port;
    return nullptr;
  }

  std::string SavedPortEnd::shortName() const
  {
    const std::string prefix = instanceName + ".";
    if (!instanceName.empty() && portName.compare(0, prefix.size(), prefix) == 0)
      return portName.substr(prefix.size());
    const std::string::size_type dot = portName.rfind('.');
    return dot == std::string::npos ? portName : portName.substr(dot + 1);
  }

  bool SavedConnector::isConnectionArtifact(const std::string& key)
  {
    const std::string prefix = "dataport.corba_cdr.";
    return key.compare(0, prefix.size(), prefix) == 0 && (endsWith(key, "_ior") || endsWith(key, "_ref"));
  }

  TextPairs SavedConnector::connectionProperties() const
  {
    TextPairs result;
    if (service)
    {
      for (const auto& nv : properties)
        if (isServiceBinding(nv.first))
          result.push_back(nv);
      return result;
    }
    for (const auto& nv : properties)
      if (nv.first.compare(0, 9, "dataport.") == 0 && !isConnectionArtifact(nv.first))
        result.push_back(nv);
    // A file written by another tool may carry only the attributes.
    setIfAbsent(result, "dataport.dataflow_type", dataflowType.empty() ? "push" : dataflowType);
    setIfAbsent(result, "dataport.interface_type", interfaceType.empty() ? "corba_cdr" : interfaceType);
    setIfAbsent(result, "dataport.subscription_type", subscriptionType.empty() ? "flush" : subscriptionType);
    setIfAbsent(result, "dataport.data_type", dataType);
    setIfAbsent(result, "dataport.publisher.push_rate", pushInterval);
    return result;
  }

  bool SavedConnector::isServiceBinding(const std::string& key)
  {
    return key.find(".required.") != std::string::npos || key == "port.connection.strictness";
  }

  const SavedComponent* SystemProfile::component(const std::string& pathUri) const
  {
    for (const SavedComponent& c : components)
      if (c.pathUri == pathUri)
        return &c;
    return nullptr;
  }
}
