#include "web/ViewJson.h"

#include "client/NameText.h"

#include <cctype>

namespace rtctl
{
  namespace
  {
    using nlohmann::json;

    // The ports of the view by the connectors they list: both ends of a connection between two
    // components of the view list the same connector id. A component that gives no id cannot
    // be paired by it.
    typedef std::multimap<std::string, std::pair<const SystemView::Component*, const SystemView::Port*>> ConnectorIndex;

    ConnectorIndex indexConnectors(const std::map<std::string, SystemView::Component>& components)
    {
      ConnectorIndex index;
      for (const auto& entry : components)
        for (const SystemView::Port& port : entry.second.ports)
          for (const SystemView::Connection& connection : port.connections)
            if (!connection.id.empty())
              index.emplace(connection.id, std::make_pair(&entry.second, &port));
      return index;
    }

    // "Trimul1" from "/h:1/host.host_cxt/Trimul1.rtc": the name the component is bound under.
    std::string boundInstance(const std::string& key)
    {
      std::string last = key.substr(key.rfind('/') + 1);
      if (NameText::isComponent(last))
        last.resize(last.size() - 4);
      return last;
    }

    // "plot" from "rtctl_plot_12728.port", the name rtctl gives the port of a component it makes
    // for itself; "" for any other port.
    std::string toolRole(const std::string& portName)
    {
      const std::string prefix = "rtctl_";
      if (portName.compare(0, prefix.size(), prefix) != 0)
        return {};
      const std::string::size_type roleEnd = portName.find('_', prefix.size());
      const std::string::size_type dot = portName.find('.', prefix.size());
      if (roleEnd == std::string::npos || dot == std::string::npos || roleEnd >= dot || roleEnd == prefix.size() ||
          roleEnd + 1 == dot)
        return {};
      for (std::string::size_type i = prefix.size(); i < roleEnd; ++i)
        if (!std::islower(static_cast<unsigned char>(portName[i])))
          return {};
      for (std::string::size_type i = roleEnd + 1; i < dot; ++i)
        if (!std::isdigit(static_cast<unsigned char>(portName[i])))
          return {};
      return portName.substr(prefix.size(), roleEnd - prefix.size());
    }

    std::vector<SystemView::PeerEnd> peerEnds(const ConnectorIndex& index, const SystemView::Component& component,
                                              const SystemView::Port& port, const SystemView::Connection& connection)
    {
      std::vector<SystemView::PeerEnd> ends;
      const auto range = index.equal_range(connection.id);
      for (auto it = range.first; it != range.second; ++it)
      {
        const SystemView::Component& other = *it->second.first;
        const SystemView::Port& otherPort = *it->second.second;
        if (other.key == component.key && otherPort.name == port.name)
          continue;
        ends.push_back(
          {boundInstance(other.key) + "." + otherPort.name, other.key + ":" + otherPort.name, "", otherPort.fullName});
      }
      if (!ends.empty())
        return ends;
      // Outside the view (rtctl's own components are bound nowhere): the port's own name is all
      // there is.
      for (const std::string& peer : connection.peers)
      {
        const std::string tool = toolRole(peer);
        ends.push_back({tool.empty() ? peer : "rtctl " + tool, "", tool, peer});
      }
      return ends;
    }

    const char* kindText(SystemView::Node::Kind kind)
    {
      switch (kind)
      {
        case SystemView::Node::kContext:
          return "context";
        case SystemView::Node::kComponent:
          return "component";
        case SystemView::Node::kManager:
          return "manager";
        default:
          return "object";
      }
    }

    json treeNode(const std::string& name, const char* kind, const std::string& key, const std::string& problem,
                  const std::string& detail, json children)
    {
      return {{"name", name},       {"kind", kind},     {"key", key},
              {"problem", problem}, {"detail", detail}, {"children", std::move(children)}};
    }

    // What a manager holds, as tree nodes: its components by the names they are bound under,
    // then its slaves with theirs.
    json heldNodes(const ManagerCluster& manager)
    {
      json children = json::array();
      for (const std::string& pathUri : manager.components)
        children.push_back(
          treeNode(pathUri.substr(pathUri.rfind('/') + 1), "component", "/" + pathUri, "", "", json::array()));
      if (manager.unbound != 0)
        children.push_back(treeNode(std::to_string(manager.unbound) + " not bound under the names shown", "object", "",
                                    "", "", json::array()));
      for (const ManagerCluster& slave : manager.slaves)
        children.push_back(treeNode(slave.name, "slave", "", slave.problem, slave.whereItRuns(), heldNodes(slave)));
      return children;
    }

    json nodeJson(const SystemView::Node& node, const SystemView& view)
    {
      const auto manager = view.managers.find(node.key);
      if (node.kind == SystemView::Node::kManager && manager != view.managers.end())
      {
        const ManagerCluster& m = manager->second;
        const std::string detail = m.problem.empty() ? m.whereItRuns() : std::string();
        return treeNode(node.name, "manager", node.key, m.problem.empty() ? node.problem : m.problem, detail,
                        heldNodes(m));
      }
      json children = json::array();
      for (const SystemView::Node& child : node.children)
        children.push_back(nodeJson(child, view));
      return treeNode(node.name, kindText(node.kind), node.key, node.problem, "", children);
    }

    json componentJson(const SystemView::Component& component, const ConnectorIndex& index)
    {
      json ports = json::array();
      for (const SystemView::Port& port : component.ports)
      {
        json connections = json::array();
        for (const SystemView::Connection& connection : port.connections)
        {
          json names = json::array();
          json ends = json::array();
          for (const SystemView::PeerEnd& end : peerEnds(index, component, port, connection))
          {
            names.push_back(end.name);
            ends.push_back({{"name", end.name}, {"path", end.path}, {"tool", end.tool}, {"port", end.port}});
          }
          connections.push_back({{"id", connection.id},
                                 {"subscription", connection.subscription},
                                 {"dataflow", connection.dataflow},
                                 {"pushRate", connection.pushRate},
                                 {"peers", names},
                                 {"ends", ends}});
        }
        ports.push_back({{"name", port.name},
                         {"direction", port.direction},
                         {"dataType", port.dataType},
                         {"connections", connections}});
      }
      return {{"key", component.key},
              {"name", component.name},
              {"state", component.state},
              {"problem", component.problem},
              {"ports", ports}};
    }
  }

  json ViewJson::of(const SystemView& view)
  {
    json rootList = json::array();
    for (const SystemView::Node& root : view.roots)
      rootList.push_back(nodeJson(root, view));

    const ConnectorIndex index = indexConnectors(view.components);
    json componentList = json::array();
    for (const auto& entry : view.components)
      componentList.push_back(componentJson(entry.second, index));
    return {{"roots", rootList}, {"components", componentList}};
  }
}
