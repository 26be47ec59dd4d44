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
      case SystemView::Node::kManager: return "manager";
      default: return "object";
      }
    }

    json treeNode(const std::string& name, const char* kind, const std::string& key, const std::string& problem,
                  const std::string& detail, json children)
    {
      return {{"name", name}, {"kind", kind}, {"key", key}, {"problem", problem}, {"detail", detail},
              {"children", std::move(children)}};
    }

    // What a manager holds, as tree nodes: its components by the names they are bound under,
    // then its slaves with theirs.
    json heldNodes(const ManagerCluster& manager)
    {
      json children = json::array();
      for (const std::string& pathUri : manager.components)
        children.push_back(treeNode(pathUri.substr(pathUri.rfind('/') + 1), "component", "/" + pathUri, "", "", json::array()));
      if (manager.unbound != 0)
        children.push_back(treeNode(std::to_string(manager.unbound) + " not bound under the names shown", "object", "",
                                    "", "", json::array()));
      for (const ManagerCluster& slave : manager.slaves)
        children.push_back(treeNode(slave.name, "slave", "", slave.problem,
                                    slave.whereItRuns(), heldNodes(slave)));
      return children;
    }

    json nodeJson(const SystemView::Node& node, const SystemView& view)
    {
      const auto manager = view.managers.find(node.key);
      if (node.kind == SystemView::Node::kManager && manager != view.managers.end())
      {
        const ManagerCluster& m = manager->second;
        const std::string detail = m.problem.empty() ? m.whereItRuns() : std::string();
        return treeNode(node.name, "manager", node.key, m.problem.empty() ? node.problem : m.problem, detail, heldNodes(m));
      }
      json children = json::array();
      for (const SystemView::Node& child : node.children)
        children.push_back(nodeJson(child, view));
      return treeNode(node.name, kindText(node.kind), node.key, node.problem, "", children);
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
      rootList.push_back(nodeJson(root, *this));

    json componentList = json::array();
    for (const auto& entry : components)
      componentList.push_back(componentJson(entry.second));
    return {{"roots", rootList}, {"components", componentList}};
  }
}
