#include "format/SystemGraph.h"

#include <set>
#include <sstream>
#include <vector>

namespace rtctl
{
  namespace
  {
    struct Sides
    {
      std::vector<std::string> inputs;
      std::vector<std::string> outputs;
    };

    void addOnce(std::vector<std::string>& side, const std::string& name)
    {
      for (const std::string& known : side)
        if (known == name)
          return;
      side.push_back(name);
    }

    // Which side each port goes on: what the file says of it, else what its connections say
    // (a connection's source is an output); a port neither tells of goes with the inputs.
    Sides sides(const SavedComponent& component, const SystemProfile& profile)
    {
      std::set<std::string> sources;
      std::set<std::string> targets;
      for (const SavedConnector& c : profile.connectors)
      {
        if (c.source.pathUri == component.pathUri)
          sources.insert(c.source.shortName());
        if (c.target.pathUri == component.pathUri)
          targets.insert(c.target.shortName());
      }
      Sides result;
      for (const SavedDataPort& port : component.dataPorts)
      {
        const bool output = port.portType == "DataOutPort" || (port.portType.empty() && sources.count(port.name) != 0);
        addOnce(output ? result.outputs : result.inputs, port.name);
      }
      for (const std::string& name : targets)
        if (component.dataPort(name) == nullptr)
          addOnce(result.inputs, name);
      for (const std::string& name : sources)
        if (component.dataPort(name) == nullptr)
          addOnce(result.outputs, name);
      return result;
    }

    std::string portColumn(const std::vector<std::string>& ports)
    {
      std::string column;
      for (const std::string& name : ports)
        column += (column.empty() ? "" : "|") + std::string("<") + SystemGraph::recordText(name) + "> " +
                  SystemGraph::recordText(name);
      return "{" + column + "}";
    }

    // The name the component is bound under ("first" for ".../first.rtc"): two components of
    // different managers may share an instance name, never a path.
    std::string boundName(const SavedComponent& component)
    {
      std::string name = component.pathUri.substr(component.pathUri.rfind('/') + 1);
      const std::string::size_type dot = name.rfind('.');
      if (dot != std::string::npos && dot > 0)
        name.erase(dot);
      return name;
    }

    // Writes each component's node once, at the first place that asks for it.
    class NodeWriter
    {
    public:
      NodeWriter(std::ostream& out, const SystemProfile& profile, const std::map<std::string, std::string>& states)
        : m_out(out), m_profile(profile), m_states(states)
      {}

      // False for a component the profile does not hold, or one already drawn.
      bool write(const SavedComponent& component, const std::string& indent)
      {
        if (!m_drawn.insert(component.pathUri).second)
          return false;
        const auto found = m_states.find(component.pathUri);
        const std::string state = found == m_states.end() ? std::string() : found->second;
        const Sides s = sides(component, m_profile);
        // The outer braces turn the record so that, left to right, it reads inputs, name, outputs.
        std::string label = "{";
        if (!s.inputs.empty())
          label += portColumn(s.inputs) + "|";
        label += SystemGraph::recordText(boundName(component));
        if (!component.instanceName.empty() && component.instanceName != boundName(component))
          label += "\\n(" + SystemGraph::recordText(component.instanceName) + ")";
        if (!state.empty())
          label += "\\n" + SystemGraph::recordText(state);
        if (!s.outputs.empty())
          label += "|" + portColumn(s.outputs);
        label += "}";
        m_out << indent << SystemGraph::quoted(component.pathUri) << " [label=" << SystemGraph::quotedRecord(label)
              << ", fillcolor=\"" << SystemGraph::colour(state)
              << "\", tooltip=" << SystemGraph::quoted("/" + component.pathUri) << "];\n";
        return true;
      }

      bool write(const std::string& pathUri, const std::string& indent)
      {
        const SavedComponent* component = m_profile.component(pathUri);
        return component != nullptr && write(*component, indent);
      }

    private:
      std::ostream& m_out;
      const SystemProfile& m_profile;
      const std::map<std::string, std::string>& m_states;
      std::set<std::string> m_drawn;
    };

    // A manager's cluster, its components and its slaves' clusters inside. Graphviz leaves an
    // empty cluster out, so one that holds nothing drawn says so in a note of its own.
    void writeCluster(std::ostream& out, const ManagerCluster& manager, const std::string& id,
                      const std::string& indent, NodeWriter& nodes)
    {
      std::string label = manager.name + "\n" + manager.whereItRuns();
      if (manager.unbound != 0)
        label += "\n+" + std::to_string(manager.unbound) + " not bound under the names read";
      out << indent << "subgraph " << SystemGraph::quoted("cluster_" + id) << " {\n"
          << indent << "  label=" << SystemGraph::quoted(label)
          << "; style=\"rounded,dashed\"; color=\"#607d8b\"; fontsize=10;\n";
      size_t drawn = 0;
      for (const std::string& pathUri : manager.components)
        drawn += nodes.write(pathUri, indent + "  ") ? 1 : 0;
      for (size_t i = 0; i < manager.slaves.size(); ++i)
        writeCluster(out, manager.slaves[i], id + "_" + std::to_string(i), indent + "  ", nodes);
      if (drawn == 0 && manager.slaves.empty())
        out << indent << "  " << SystemGraph::quoted("cluster_" + id + "_note")
            << " [shape=plaintext, style=\"\", label="
            << SystemGraph::quoted(manager.problem.empty() ? "no component" : "does not answer") << "];\n";
      out << indent << "}\n";
    }

    std::string edgeLabel(const SavedConnector& c)
    {
      std::string label = c.subscriptionType.empty() ? "flush" : c.subscriptionType;
      if (!c.pushInterval.empty())
        label += " " + c.pushInterval + " Hz";
      if (!c.dataflowType.empty() && c.dataflowType != "push")
        label += " (" + c.dataflowType + ")";
      return label;
    }
  }

  const char* SystemGraph::colour(const std::string& state)
  {
    if (state == "Active")
      return "#9be39b";
    if (state == "Inactive")
      return "#a8c8f0";
    if (state == "Error")
      return "#f08c8c";
    if (state.empty())
      return "#ffffff";
    return "#d9d9d9";  // Created, Zombie, not running: nothing flows through it
  }

  std::string SystemGraph::recordText(const std::string& text)
  {
    std::string escaped;
    for (char c : text)
    {
      if (c == '{' || c == '}' || c == '|' || c == '<' || c == '>' || c == '\\')
        escaped += '\\';
      escaped += c;
    }
    return escaped;
  }

  std::string SystemGraph::quoted(const std::string& text)
  {
    std::string escaped = "\"";
    for (char c : text)
    {
      if (c == '\n')
      {
        escaped += "\\n";
        continue;
      }
      if (c == '"' || c == '\\')
        escaped += '\\';
      escaped += c;
    }
    return escaped + "\"";
  }

  std::string SystemGraph::quotedRecord(const std::string& recordLabel)
  {
    // Backslashes here are the record's own escapes and pass as they are; a quote only needs
    // the string's escape.
    std::string escaped = "\"";
    for (char c : recordLabel)
    {
      if (c == '"')
        escaped += '\\';
      escaped += c;
    }
    return escaped + "\"";
  }

  std::string SystemGraph::dot(const SystemProfile& profile, const std::map<std::string, std::string>& states,
                               const std::string& title, const std::vector<ManagerCluster>& managers)
  {
    std::ostringstream out;
    out << "digraph system {\n"
           "  graph [rankdir=LR, fontname=\"Helvetica\", fontsize=12, nodesep=0.4, ranksep=1.0";
    if (!title.empty())
      out << ", label=" << quoted(title) << ", labelloc=t";
    out << "];\n"
           "  node [shape=record, style=\"rounded,filled\", fontname=\"Helvetica\", fontsize=11];\n"
           "  edge [fontname=\"Helvetica\", fontsize=10];\n";
    NodeWriter nodes(out, profile, states);
    for (size_t i = 0; i < managers.size(); ++i)
      writeCluster(out, managers[i], std::to_string(i), "  ", nodes);
    for (const SavedComponent& component : profile.components)
      nodes.write(component, "  ");
    for (const SavedConnector& c : profile.connectors)
      out << "  " << quoted(c.source.pathUri) << ":" << quoted(c.source.shortName()) << ":e -> "
          << quoted(c.target.pathUri) << ":" << quoted(c.target.shortName()) << ":w [label=" << quoted(edgeLabel(c))
          << "];\n";
    out << "}\n";
    return out.str();
  }
}
