#include "SystemGraph.h"

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
                               const std::string& title)
  {
    std::ostringstream out;
    out << "digraph system {\n"
           "  graph [rankdir=LR, fontname=\"Helvetica\", fontsize=12, nodesep=0.4, ranksep=1.0";
    if (!title.empty())
      out << ", label=" << quoted(title) << ", labelloc=t";
    out << "];\n"
           "  node [shape=record, style=\"rounded,filled\", fontname=\"Helvetica\", fontsize=11];\n"
           "  edge [fontname=\"Helvetica\", fontsize=10];\n";
    for (const SavedComponent& component : profile.components)
    {
      const auto found = states.find(component.pathUri);
      const std::string state = found == states.end() ? std::string() : found->second;
      const Sides s = sides(component, profile);
      // The outer braces turn the record so that, left to right, it reads inputs, name, outputs.
      std::string label = "{";
      if (!s.inputs.empty())
        label += portColumn(s.inputs) + "|";
      label += recordText(boundName(component));
      if (!component.instanceName.empty() && component.instanceName != boundName(component))
        label += "\\n(" + recordText(component.instanceName) + ")";
      if (!state.empty())
        label += "\\n" + recordText(state);
      if (!s.outputs.empty())
        label += "|" + portColumn(s.outputs);
      label += "}";
      out << "  " << quoted(component.pathUri) << " [label=" << quotedRecord(label) << ", fillcolor=\""
          << colour(state) << "\", tooltip=" << quoted("/" + component.pathUri) << "];\n";
    }
    for (const SavedConnector& c : profile.connectors)
      out << "  " << quoted(c.source.pathUri) << ":" << quoted(c.source.shortName()) << ":e -> "
          << quoted(c.target.pathUri) << ":" << quoted(c.target.shortName()) << ":w [label=" << quoted(edgeLabel(c))
          << "];\n";
    out << "}\n";
    return out.str();
  }
}
