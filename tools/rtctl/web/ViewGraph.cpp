#include "web/ViewGraph.h"

#include "format/GraphRenderer.h"
#include "format/SystemGraph.h"

#include "client/Error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace rtctl
{
  namespace
  {
    struct PortEnd
    {
      const SystemView::Component* component;
      const SystemView::Port* port;
      const SystemView::Connection* connection;
    };

    // "Trimul0" from the ports' own names ("Trimul0.x1"): the instance the graph shows beside a
    // bound name that differs from it.
    std::string instanceName(const SystemView::Component& component)
    {
      for (const SystemView::Port& port : component.ports)
      {
        const std::string::size_type dot = port.fullName.rfind('.');
        if (dot != std::string::npos && dot > 0)
          return port.fullName.substr(0, dot);
      }
      return std::string();
    }

    SavedPortEnd savedEnd(const PortEnd& end)
    {
      SavedPortEnd saved;
      saved.instanceName = instanceName(*end.component);
      saved.portName = end.port->fullName.empty() ? end.port->name : end.port->fullName;
      saved.pathUri = end.component->key.substr(1);
      return saved;
    }

    // A folder of its own for dot's output, removed with what is in it.
    class ScratchFolder
    {
    public:
      ScratchFolder()
      {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/rtctl-serve.XXXXXX";
        if (::mkdtemp(&pattern[0]) == nullptr)
          throw Error(std::string("cannot make a folder for the graph: ") + std::strerror(errno));
        m_path = pattern;
      }
      ~ScratchFolder()
      {
        std::remove(file().c_str());
        ::rmdir(m_path.c_str());
      }
      std::string file() const { return m_path + "/graph.svg"; }

    private:
      std::string m_path;
    };
  }

  SystemProfile ViewGraph::profile(const SystemView& view, std::map<std::string, std::string>& states)
  {
    SystemProfile profile;
    std::map<std::string, std::vector<PortEnd>> ends;
    for (const auto& entry : view.components)
    {
      const SystemView::Component& component = entry.second;
      SavedComponent saved;
      saved.pathUri = component.key.substr(1);
      saved.instanceName = instanceName(component);
      for (const SystemView::Port& port : component.ports)
      {
        saved.dataPorts.push_back({port.name,
                                   port.direction == "in"    ? "DataInPort"
                                   : port.direction == "out" ? "DataOutPort"
                                                             : "",
                                   port.dataType});
        for (const SystemView::Connection& connection : port.connections)
          ends[connection.id].push_back({&component, &port, &connection});
      }
      profile.components.push_back(std::move(saved));
      states[component.key.substr(1)] = component.state;
    }
    for (const auto& entry : ends)
    {
      const std::vector<PortEnd>& pair = entry.second;
      if (pair.size() != 2)
        continue;
      const bool firstIsSource = pair[0].port->direction == "out" || pair[1].port->direction == "in";
      const PortEnd& source = firstIsSource ? pair[0] : pair[1];
      const PortEnd& target = firstIsSource ? pair[1] : pair[0];
      SavedConnector connector;
      connector.connectorId = entry.first;
      connector.dataType = source.port->dataType;
      connector.subscriptionType = source.connection->subscription;
      connector.dataflowType = source.connection->dataflow;
      connector.pushInterval = source.connection->pushRate;
      connector.source = savedEnd(source);
      connector.target = savedEnd(target);
      profile.connectors.push_back(std::move(connector));
    }
    return profile;
  }

  std::string ViewGraph::svg(const SystemView& view)
  {
    std::map<std::string, std::string> states;
    std::vector<ManagerCluster> managers;
    for (const auto& entry : view.managers)
      managers.push_back(entry.second);
    const std::string dot = SystemGraph::dot(profile(view, states), states, "", managers);
    const ScratchFolder folder;
    GraphRenderer::render(dot, folder.file());
    std::ifstream in(folder.file());
    std::ostringstream text;
    text << in.rdbuf();
    // Only the element itself goes into the page: the XML declaration and document type
    // before it mean nothing inside HTML.
    const std::string whole = text.str();
    const std::string::size_type start = whole.find("<svg");
    if (start == std::string::npos)
      throw Error("dot wrote no picture");
    return whole.substr(start);
  }
}
