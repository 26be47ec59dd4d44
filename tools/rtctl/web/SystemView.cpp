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

    void collectKeys(const SystemView::Node& node, std::set<std::string>& keys)
    {
      if (node.kind == SystemView::Node::kComponent)
        keys.insert(node.key);
      for (const SystemView::Node& child : node.children)
        collectKeys(child, keys);
    }

    json componentJson(const SystemView::Component& component)
    {
      json ports = json::array();
      for (const SystemView::Port& port : component.ports)
      {
        json connections = json::array();
        for (const SystemView::Connection& connection : port.connections)
          connections.push_back({{"id", connection.id}, {"subscription", connection.subscription},
                                 {"dataflow", connection.dataflow}, {"pushRate", connection.pushRate},
                                 {"peers", connection.peers}});
        ports.push_back({{"name", port.name}, {"direction", port.direction}, {"dataType", port.dataType},
                         {"connections", connections}});
      }
      return {{"key", component.key}, {"name", component.name}, {"state", component.state},
              {"problem", component.problem}, {"ports", ports}};
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

  std::set<std::string> SystemView::componentKeys() const
  {
    std::set<std::string> keys;
    for (const Node& root : roots)
      collectKeys(root, keys);
    return keys;
  }

  json SystemView::toJson() const
  {
    json rootList = json::array();
    for (const Node& root : roots)
      rootList.push_back(nodeJson(root));

    json componentList = json::array();
    for (const auto& entry : components)
      componentList.push_back(componentJson(entry.second));
    return {{"roots", rootList}, {"components", componentList}};
  }
}
