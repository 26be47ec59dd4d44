// The system as the page shows it, in plain C++: the naming tree under the roots `serve` was
// given, for each component found there its state, ports and connections, and for each manager
// bound there the components it and its slaves hold. Filled by SystemReader, turned into the
// JSON the page shows by toJson(), and into the graph by ViewGraph.
#pragma once

#include "client/ManagerCluster.h"

#include <nlohmann/json.hpp>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace rtctl
{
  class SystemView
  {
  public:
    struct Connection
    {
      std::string id;
      std::string subscription;  // dataport.subscription_type, "" when the profile has none
      std::string dataflow;  // dataport.dataflow_type
      std::string pushRate;  // dataport.publisher.push_rate (periodic)
      std::vector<std::string> peers;  // the other ports' own names ("Trimul0.x1")

      // The field a connector property of that name fills, or nullptr when the page does not
      // show it. An older peer gives the push rate as "dataport.push_rate"; the newer name wins.
      std::string* field(const std::string& propertyName);
    };

    // The far end of a connection as the page names it. A port's own name carries its
    // component's instance name, which two components of one type in two processes may share,
    // so an end found in the view is named by where its component is bound instead.
    struct PeerEnd
    {
      std::string name;  // "Trimul1.x1", "rtctl plot", or the port's own name when neither is known
      std::string path;  // "/127.0.0.1:2809/host.host_cxt/Trimul1.rtc:x1"; "" when not in the view
      std::string tool;  // "plot", "print", "inject" for the ports rtctl makes for itself; else ""
      std::string port;  // the port's own name, "Trimul0.x1", "rtctl_plot_12728.port"
    };

    struct Port
    {
      std::string name;  // "x1"
      std::string fullName;  // "Trimul0.x1"
      std::string direction;  // "in", "out", or the port type
      std::string dataType;  // "IDL:RTC/TimedLong:1.0"
      std::vector<Connection> connections;
    };

    struct Component
    {
      std::string key;  // the absolute path, "/127.0.0.1:2809/host.host_cxt/Trimul0.rtc"
      std::string name;  // its last naming element, "Trimul0.rtc"
      std::string state;  // "Active", "Inactive", "Error", "Created", or "Zombie" when it does not answer
      std::string problem;  // why it could not be read whole; "" when it was
      std::vector<Port> ports;

      const Port* port(const std::string& name) const;
    };

    struct Node
    {
      enum Kind
      {
        kContext,
        kComponent,
        kManager,  // a manager (NAME.mgr, as a master binds itself)
        kObject,  // anything else bound there (another service)
      };
      std::string name;
      Kind kind;
      std::string key;
      std::string problem;  // a context that cannot be listed, a service that does not answer
      std::vector<Node> children;
    };

    std::vector<Node> roots;
    std::map<std::string, Component> components;
    // Each manager of the tree that could be told from others, by its node's key.
    std::map<std::string, ManagerCluster> managers;

    // Nullptr when the view holds no component under that key.
    const Component* component(const std::string& key) const;
    // The keys of every component the tree names, read or not.
    std::set<std::string> componentKeys() const;

    // { "roots": [...], "components": [...] }, each as the structs above; a manager's node holds
    // a node for each component it holds (by the component's key) and one for each slave
    // ("kind": "slave") with those of its own, and says where it runs in "detail". A
    // connection's "peers" are its far ends' names and "ends" the same as PeerEnd objects: the
    // other ports of the view that list the same connector, else what the port's own name tells.
    nlohmann::json toJson() const;
  };
}
