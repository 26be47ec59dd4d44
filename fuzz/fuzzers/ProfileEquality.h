// Field-by-field equality of system profiles, for the round-trip invariant. Comparing the
// written text instead would hide a reader that drops the same field every time.
#pragma once

#include "client/SystemProfile.h"

#include <tuple>

namespace fuzz
{

  // Declared first: the vector template below calls whichever fits its elements.
  inline bool same(const rtctl::SavedComponent& a, const rtctl::SavedComponent& b);
  inline bool same(const rtctl::SavedConnector& a, const rtctl::SavedConnector& b);

  inline bool same(const rtctl::SavedDataPort& a, const rtctl::SavedDataPort& b)
  {
    return std::tie(a.name, a.portType, a.dataType) == std::tie(b.name, b.portType, b.dataType);
  }

  inline bool same(const rtctl::SavedConfigurationSet& a, const rtctl::SavedConfigurationSet& b)
  {
    return a.id == b.id && a.data == b.data;
  }

  inline bool same(const rtctl::SavedExecutionContext& a, const rtctl::SavedExecutionContext& b)
  {
    return std::tie(a.id, a.kind, a.rate) == std::tie(b.id, b.kind, b.rate);
  }

  inline bool same(const rtctl::SavedPortEnd& a, const rtctl::SavedPortEnd& b)
  {
    return std::tie(a.componentId, a.instanceName, a.portName, a.pathUri) ==
           std::tie(b.componentId, b.instanceName, b.portName, b.pathUri);
  }

  inline bool same(const std::string& a, const std::string& b) { return a == b; }

  template <class T>
  bool same(const std::vector<T>& a, const std::vector<T>& b)
  {
    if (a.size() != b.size())
    {
      return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i)
    {
      if (!same(a[i], b[i]))
      {
        return false;
      }
    }
    return true;
  }

  inline bool same(const rtctl::SavedComponent& a, const rtctl::SavedComponent& b)
  {
    return std::tie(a.id, a.pathUri, a.instanceName, a.activeConfigurationSet, a.compositeType, a.isRequired,
                    a.properties) == std::tie(b.id, b.pathUri, b.instanceName, b.activeConfigurationSet,
                                              b.compositeType, b.isRequired, b.properties) &&
           same(a.dataPorts, b.dataPorts) && same(a.servicePorts, b.servicePorts) &&
           same(a.configurationSets, b.configurationSets) && same(a.executionContexts, b.executionContexts);
  }

  inline bool same(const rtctl::SavedConnector& a, const rtctl::SavedConnector& b)
  {
    return std::tie(a.connectorId, a.name, a.dataType, a.interfaceType, a.dataflowType, a.subscriptionType,
                    a.pushInterval, a.properties) == std::tie(b.connectorId, b.name, b.dataType, b.interfaceType,
                                                              b.dataflowType, b.subscriptionType, b.pushInterval,
                                                              b.properties) &&
           a.service == b.service && same(a.source, b.source) && same(a.target, b.target);
  }

  inline bool same(const rtctl::SystemProfile& a, const rtctl::SystemProfile& b)
  {
    return std::tie(a.id, a.abstract, a.creationDate, a.updateDate, a.version) ==
             std::tie(b.id, b.abstract, b.creationDate, b.updateDate, b.version) &&
           same(a.components, b.components) && same(a.connectors, b.connectors);
  }

}  // namespace fuzz
