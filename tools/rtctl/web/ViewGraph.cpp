#include "web/ViewGraph.h"

#include "format/GraphRenderer.h"
#include "format/SystemGraph.h"

#include "client/Error.h"

#include <algorithm>
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

  std::string ViewGraph::svg(const SystemView& view)
  {
    // Components and managers in the order of their keys, connections in that of their ids,
    // so that the same system is drawn the same way whatever order it was read in.
    std::vector<std::string> keys;
    for (const auto& entry : view.components)
      keys.push_back(entry.first);
    SystemProfile profile = view.profile(keys, nullptr);
    std::sort(profile.connectors.begin(), profile.connectors.end(),
              [](const SavedConnector& a, const SavedConnector& b) { return a.connectorId < b.connectorId; });
    std::vector<ManagerCluster> managers;
    for (const auto& entry : view.managers)
      managers.push_back(entry.second);
    const std::string dot = SystemGraph::dot(profile, view.states(), "", managers);
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
