// A running system as read, in plain C++: the naming tree under the roots read, for each
// component found there its state, ports and connections (and, read whole, what a system file
// keeps of it), and for each manager bound there the components it and its slaves hold. Filled
// by SystemReader; serve shows it (web/ViewJson), and profile() is the one way from it to the
// SystemProfile that system save writes and every picture of a running system draws.
#pragma once

#include "client/ManagerCluster.h"
#include "client/SystemProfile.h"

#include <map>
#include <ostream>
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
      // Last, and defaulted, so that a connection written as {id, ..., peers} needs neither.
      std::string name{};  // the connector's
      TextPairs properties{};  // its dataport.* text values, without those of this one connection

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
      std::string path;  // the path as the user or the walk named it
      std::string name;  // its last naming element, "Trimul0.rtc"
      std::string state;  // "Active", "Inactive", "Error", "Created", or "Zombie" when it does not answer
      std::string problem;  // why it could not be read whole; "" when it was
      std::vector<Port> ports;
      // Read whole: its type id, instance name, configuration sets, execution contexts and IOR.
      SavedComponent saved;

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
    // The keys of the tree's nodes of one kind (read or not), depth first in the order read, each once.
    std::vector<std::string> inTreeOrder(Node::Kind kind) const;

    // The components of `keys` (those read) and each data connection between two of them, from
    // its output to its input, in that order. A connection with one end among them is left
    // out, with a warning line when `warnings` is given.
    SystemProfile profile(const std::vector<std::string>& keys, std::ostream* warnings) const;
    // Each component's state, by its path URI.
    std::map<std::string, std::string> states() const;
  };
}
