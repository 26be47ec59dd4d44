#include "SystemView.h"

namespace rtctl
{
  namespace
  {
    using nlohmann::json;

    const char* kindText(SystemView::Node::Kind kind)
    {
      switch (kind)
      {
      case SystemView::Node::kContext: return "context";
      case SystemView::Node::kComponent: return "component";
      default: return "object";
      }
    }

    json nodeJson(const SystemView::Node& node)
    {
      json children = json::array();
      for (const SystemView::Node& child : node.children)
        children.push_back(nodeJson(child));
      return {{"name", node.name}, {"kind", kindText(node.kind)}, {"key", node.key},
              {"problem", node.problem}, {"children", children}};
    }

    json componentJson(const SystemView::Component& component)
    {
      json ports = json::array();
      for (const SystemView::Port& port : component.ports)
      {
        json connections = json::array();
        for (const SystemView::Connection& connection : port.connections)
          connections.push_back({{"id", connection.id}, {"subscription", connection.subscription},
                                 {"peers", connection.peers}});
        ports.push_back({{"name", port.name}, {"direction", port.direction}, {"dataType", port.dataType},
                         {"connections", connections}});
      }
      return {{"key", component.key}, {"name", component.name}, {"state", component.state},
              {"problem", component.problem}, {"ports", ports}};
    }

    // One side of a connector as the view knows it.
    struct End
    {
      std::string component;  // "" outside the view
      std::string port;
      std::string label;
      bool output;
    };

    json endJson(const End& end)
    {
      return {{"component", end.component.empty() ? json() : json(end.component)}, {"port", end.port},
              {"label", end.label}};
    }
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

  json SystemView::toJson() const
  {
    json rootList = json::array();
    for (const Node& root : roots)
      rootList.push_back(nodeJson(root));

    json componentList = json::array();
    // Every connector by id, with the ends the view holds and the names of all its ports.
    std::map<std::string, std::vector<End> > ends;
    std::map<std::string, const Connection*> connectors;
    for (const auto& entry : components)
    {
      const Component& component = entry.second;
      componentList.push_back(componentJson(component));
      for (const Port& port : component.ports)
      {
        for (const Connection& connection : port.connections)
        {
          ends[connection.id].push_back({component.key, port.name, component.name + ":" + port.name,
                                         port.direction == "out"});
          connectors.emplace(connection.id, &connection);
        }
      }
    }

    json edges = json::array();
    for (auto& entry : ends)
    {
      std::vector<End>& known = entry.second;
      const Connection& connection = *connectors[entry.first];
      if (known.size() == 1)
      {
        // The other side is outside the view: name it by its port's own name.
        const std::string peer = connection.peers.empty() ? std::string("?") : connection.peers.front();
        known.push_back({"", "", peer, !known.front().output});
      }
      const End* from = &known[0];
      const End* to = &known[1];
      if (!from->output && to->output)
        std::swap(from, to);
      edges.push_back({{"id", entry.first}, {"subscription", connection.subscription},
                       {"from", endJson(*from)}, {"to", endJson(*to)}});
    }
    return {{"roots", rootList}, {"components", componentList}, {"edges", edges}};
  }
}
