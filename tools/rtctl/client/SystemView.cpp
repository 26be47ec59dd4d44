#include "client/SystemView.h"

#include <functional>
#include <set>

namespace rtctl
{
  namespace
  {
    // One end of a connection: the port that lists it and what it lists.
    struct End
    {
      const SystemView::Component* component;
      const SystemView::Port* port;
      const SystemView::Connection* connection;
    };

    bool isData(const SystemView::Port& port) { return port.direction == "in" || port.direction == "out"; }

    std::string lookup(const TextPairs& values, const std::string& key)
    {
      for (const auto& nv : values)
        if (nv.first == key)
          return nv.second;
      return std::string();
    }

    // "Trimul0" from the ports' own names ("Trimul0.x1"), for a component not read whole: the
    // instance the graph shows beside a bound name that differs from it.
    std::string instanceName(const SystemView::Component& component)
    {
      if (!component.saved.instanceName.empty())
        return component.saved.instanceName;
      for (const SystemView::Port& port : component.ports)
      {
        const std::string::size_type dot = port.fullName.rfind('.');
        if (dot != std::string::npos && dot > 0)
          return port.fullName.substr(0, dot);
      }
      return std::string();
    }

    SavedComponent savedComponent(const SystemView::Component& component)
    {
      SavedComponent saved = component.saved;
      saved.pathUri = component.key.substr(1);
      saved.instanceName = instanceName(component);
      for (const SystemView::Port& port : component.ports)
      {
        if (isData(port))
          saved.dataPorts.push_back({port.name, port.direction == "in" ? "DataInPort" : "DataOutPort", port.dataType});
        else
          saved.servicePorts.push_back(port.name);
      }
      return saved;
    }

    SavedPortEnd savedEnd(const End& end)
    {
      return {end.component->saved.id, instanceName(*end.component),
              end.port->fullName.empty() ? end.port->name : end.port->fullName, end.component->key.substr(1)};
    }

    SavedConnector savedConnector(const End& first, const End& second)
    {
      const SystemView::Connection& c = *first.connection;
      SavedConnector saved;
      saved.connectorId = c.id;
      saved.name = c.name;
      if (first.port->direction == "CorbaPort")
      {
        // The providers' references die with the connection; the names of who serves whom stay.
        saved.service = true;
        for (const auto& nv : c.properties)
          if (SavedConnector::isServiceBinding(nv.first))
            saved.properties.push_back(nv);
        saved.source = savedEnd(first);
        saved.target = savedEnd(second);
        return saved;
      }
      saved.properties = c.properties;
      saved.dataType = lookup(c.properties, "dataport.data_type");
      saved.interfaceType = lookup(c.properties, "dataport.interface_type");
      saved.dataflowType = c.dataflow;
      saved.subscriptionType = c.subscription;
      saved.pushInterval = c.pushRate;
      const bool firstIsSource = first.port->direction == "out" || second.port->direction == "in";
      saved.source = savedEnd(firstIsSource ? first : second);
      saved.target = savedEnd(firstIsSource ? second : first);
      return saved;
    }
  }

  std::string* SystemView::Connection::field(const std::string& propertyName)
  {
    if (propertyName == "dataport.subscription_type")
      return &subscription;
    if (propertyName == "dataport.dataflow_type")
      return &dataflow;
    if (propertyName == "dataport.publisher.push_rate" || (propertyName == "dataport.push_rate" && pushRate.empty()))
      return &pushRate;
    return nullptr;
  }

  const SystemView::Port* SystemView::Component::port(const std::string& name) const
  {
    for (const Port& p : ports)
      if (p.name == name)
        return &p;
    return nullptr;
  }

  const SystemView::Component* SystemView::component(const std::string& key) const
  {
    const auto it = components.find(key);
    return it == components.end() ? nullptr : &it->second;
  }

  std::vector<std::string> SystemView::inTreeOrder(Node::Kind kind) const
  {
    std::vector<std::string> keys;
    std::set<std::string> seen;
    const std::function<void(const Node&)> visit = [&](const Node& node) {
      if (node.kind == kind && seen.insert(node.key).second)
        keys.push_back(node.key);
      for (const Node& child : node.children)
        visit(child);
    };
    for (const Node& root : roots)
      visit(root);
    return keys;
  }

  std::map<std::string, std::string> SystemView::states() const
  {
    std::map<std::string, std::string> states;
    for (const auto& entry : components)
      states[entry.first.substr(1)] = entry.second.state;
    return states;
  }

  SystemProfile SystemView::profile(const std::vector<std::string>& keys, std::ostream* warnings) const
  {
    SystemProfile profile;
    std::vector<const Component*> chosen;
    std::map<std::string, std::vector<End>> ends;  // by connector id: the data ports that list it
    for (const std::string& key : keys)
    {
      const Component* found = component(key);
      if (found == nullptr)
        continue;
      chosen.push_back(found);
      profile.components.push_back(savedComponent(*found));
      for (const Port& port : found->ports)
        for (const Connection& connection : port.connections)
          if ((isData(port) || port.direction == "CorbaPort") && !connection.id.empty())
            ends[connection.id].push_back({found, &port, &connection});
    }
    std::set<std::string> saved;
    for (const Component* found : chosen)
      for (const Port& port : found->ports)
      {
        if (!isData(port) && port.direction != "CorbaPort")
          continue;
        for (const Connection& connection : port.connections)
        {
          const std::vector<End>& pair = ends[connection.id];
          if (pair.size() == 2 && saved.insert(connection.id).second)
            profile.connectors.push_back(savedConnector(pair[0], pair[1]));
          else if (pair.size() != 2 && warnings != nullptr)
            *warnings << "warning: left out connector " << connection.id << " of " << found->path << ":" << port.name
                      << ": it joins a port outside the components saved\n";
        }
      }
    return profile;
  }

}
