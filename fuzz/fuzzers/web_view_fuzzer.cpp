// Fuzz target: what the web view (rtctl serve) turns into JSON from what components and
// managers tell it: the system view's snapshot, the graph's profile and DOT text, and a plot's
// batch of samples. Every name, state, property and sample is whatever a process on the network
// sent, so any bytes at all.
//
// Input: the first octet gives the shape (bits 0-1: components - 1; bits 2-3: ports a component;
// bits 4-5: connections a port; bit 6: a connection names two peers). The rest is split at NUL
// octets into fields, taken in this order (an empty field once they run out):
//   a manager: name, host, pid, problem, a slave's name;
//   each component: key ("/" is put in front, as every key of the view starts with it), state,
//   problem; each of its ports: name, own name, direction, data type; each of their connections:
//   id, three connector properties (name, value), peers;
//   then every field left is a sample's value.
#include "Require.h"

#include "client/SystemView.h"
#include "format/SystemGraph.h"
#include "web/JsonText.h"
#include "web/PlotBatch.h"
#include "web/ViewJson.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace
{

  using nlohmann::json;
  using rtctl::SystemView;

  class Fields
  {
  public:
    Fields(const std::uint8_t* data, std::size_t size)
    {
      std::size_t start = 0;
      for (std::size_t i = 0; i <= size; ++i)
      {
        if (i == size || data[i] == 0)
        {
          m_fields.emplace_back(reinterpret_cast<const char*>(data) + start, i - start);
          start = i + 1;
        }
      }
    }
    std::string next() { return m_at < m_fields.size() ? m_fields[m_at++] : std::string(); }
    bool left() const { return m_at < m_fields.size(); }

  private:
    std::vector<std::string> m_fields;
    std::size_t m_at = 0;
  };

  // Well-formed UTF-8 (RFC 3629: no overlong forms, no surrogates, nothing past U+10FFFF), by a
  // decoder of this target's own rather than the library's that is under test.
  bool isUtf8(const std::string& text)
  {
    for (std::size_t i = 0; i < text.size();)
    {
      const unsigned char lead = static_cast<unsigned char>(text[i]);
      std::size_t length;
      unsigned long code;
      if (lead < 0x80)
      {
        ++i;
        continue;
      }
      if ((lead & 0xe0) == 0xc0)
        length = 2, code = lead & 0x1f;
      else if ((lead & 0xf0) == 0xe0)
        length = 3, code = lead & 0x0f;
      else if ((lead & 0xf8) == 0xf0)
        length = 4, code = lead & 0x07;
      else
        return false;
      if (i + length > text.size())
        return false;
      for (std::size_t k = 1; k < length; ++k)
      {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xc0) != 0x80)
          return false;
        code = (code << 6) | (next & 0x3f);
      }
      static const unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
      if (code < kLeast[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return false;
      i += length;
    }
    return true;
  }

  // A field as the JSON shows it: unchanged when it was UTF-8; anything else only has to be a
  // string (its bytes that are not UTF-8 are replaced).
  void requireShown(const json& shown, const std::string& sent, const char* invariant)
  {
    fuzz::require(shown.is_string(), invariant);
    if (isUtf8(sent))
      fuzz::require(shown.get<std::string>() == sent, invariant);
  }

  // Text that is valid UTF-8 and parses back as JSON.
  json parsed(const std::string& text)
  {
    fuzz::require(isUtf8(text), "the JSON text is valid UTF-8");
    json value = json::parse(text, nullptr, false);
    fuzz::require(!value.is_discarded(), "the JSON text parses back");
    return value;
  }

  // Three connector properties, as the reader of a port's connections takes them in.
  void takeProperties(Fields& fields, SystemView::Connection& connection)
  {
    std::string subscription, dataflow, publisherRate;
    std::vector<std::string> rates{""};
    bool onlyPublisherRates = true;
    for (int i = 0; i < 3; ++i)
    {
      const std::string name = fields.next();
      const std::string value = fields.next();
      if (std::string* field = connection.field(name))
        *field = value;
      if (name == "dataport.subscription_type")
        subscription = value;
      if (name == "dataport.dataflow_type")
        dataflow = value;
      if (name == "dataport.publisher.push_rate")
        publisherRate = value;
      if (name == "dataport.push_rate")
        onlyPublisherRates = false;
      if (name == "dataport.publisher.push_rate" || name == "dataport.push_rate")
        rates.push_back(value);
    }
    fuzz::require(connection.subscription == subscription, "the last subscription type given is shown");
    fuzz::require(connection.dataflow == dataflow, "the last dataflow type given is shown");
    fuzz::require(!onlyPublisherRates || connection.pushRate == publisherRate, "the last push rate given is shown");
    fuzz::require(std::find(rates.begin(), rates.end(), connection.pushRate) != rates.end(),
                  "a push rate shown is one given");
  }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return 0;
  const unsigned shape = data[0];
  Fields fields(data + 1, size - 1);

  rtctl::ManagerCluster manager;
  manager.name = fields.next();
  manager.host = fields.next();
  manager.pid = fields.next();
  manager.problem = fields.next();
  rtctl::ManagerCluster slave;
  slave.name = fields.next();

  SystemView view;
  SystemView::Node root{"/h:1", SystemView::Node::kContext, "/h:1", "", {}};
  const std::size_t componentCount = 1 + (shape & 3);
  for (std::size_t c = 0; c < componentCount; ++c)
  {
    SystemView::Component component;
    component.key = "/" + fields.next();
    component.name = component.key.substr(component.key.rfind('/') + 1);
    component.state = fields.next();
    component.problem = fields.next();
    for (unsigned p = 0; p < ((shape >> 2) & 3); ++p)
    {
      SystemView::Port port{fields.next(), fields.next(), fields.next(), fields.next(), {}};
      for (unsigned k = 0; k < ((shape >> 4) & 3); ++k)
      {
        SystemView::Connection connection;
        connection.id = fields.next();
        takeProperties(fields, connection);
        connection.peers.push_back(fields.next());
        if (shape & 0x40)
          connection.peers.push_back(fields.next());
        port.connections.push_back(std::move(connection));
      }
      component.ports.push_back(std::move(port));
    }
    root.children.push_back({component.name, SystemView::Node::kComponent, component.key, component.problem, {}});
    (c % 2 == 0 ? manager.components : slave.components).push_back(component.key.substr(1));
    view.components[component.key] = std::move(component);  // a repeated key: the later read stands
  }
  manager.slaves.push_back(slave);
  root.children.push_back({manager.name, SystemView::Node::kManager, "/h:1/" + manager.name, "", {}});
  view.managers[root.children.back().key] = manager;
  view.roots.push_back(root);

  // The snapshot the page is sent.
  const json snapshot = parsed(rtctl::JsonText::dump(rtctl::ViewJson::of(view)));
  const json& shownComponents = snapshot.at("components");
  fuzz::require(shownComponents.size() == view.components.size(), "every component is shown");
  std::size_t at = 0;
  for (const auto& entry : view.components)
  {
    const SystemView::Component& component = entry.second;
    const json& shown = shownComponents.at(at++);
    requireShown(shown.at("key"), component.key, "a component's key round-trips");
    requireShown(shown.at("name"), component.name, "a component's name round-trips");
    requireShown(shown.at("state"), component.state, "a component's state round-trips");
    requireShown(shown.at("problem"), component.problem, "a component's problem round-trips");
    fuzz::require(shown.at("ports").size() == component.ports.size(), "every port is shown");
    for (std::size_t p = 0; p < component.ports.size(); ++p)
    {
      const SystemView::Port& port = component.ports[p];
      const json& shownPort = shown.at("ports").at(p);
      requireShown(shownPort.at("name"), port.name, "a port's name round-trips");
      requireShown(shownPort.at("direction"), port.direction, "a port's direction round-trips");
      requireShown(shownPort.at("dataType"), port.dataType, "a port's data type round-trips");
      fuzz::require(shownPort.at("connections").size() == port.connections.size(), "every connection is shown");
      for (std::size_t k = 0; k < port.connections.size(); ++k)
      {
        const SystemView::Connection& connection = port.connections[k];
        const json& shownConnection = shownPort.at("connections").at(k);
        requireShown(shownConnection.at("id"), connection.id, "a connector id round-trips");
        requireShown(shownConnection.at("subscription"), connection.subscription, "a subscription type round-trips");
        requireShown(shownConnection.at("dataflow"), connection.dataflow, "a dataflow type round-trips");
        requireShown(shownConnection.at("pushRate"), connection.pushRate, "a push rate round-trips");
        fuzz::require(shownConnection.at("peers").size() == shownConnection.at("ends").size(),
                      "each far end has a name");
        for (const json& end : shownConnection.at("ends"))
          for (const char* field : {"name", "path", "tool", "port"})
            fuzz::require(end.at(field).is_string(), "a far end's fields are text");
      }
    }
  }
  const json& shownManager = snapshot.at("roots").at(0).at("children").back();
  requireShown(shownManager.at("name"), manager.name, "a manager's name round-trips");
  requireShown(shownManager.at("problem"), manager.problem, "a manager's problem round-trips");
  requireShown(shownManager.at("detail"), manager.problem.empty() ? manager.whereItRuns() : std::string(),
               "where a manager runs round-trips");
  requireShown(shownManager.at("children").back().at("name"), slave.name, "a slave's name round-trips");

  // The graph, short of running dot.
  std::vector<std::string> keys;
  for (const auto& entry : view.components)
    keys.push_back(entry.first);
  const rtctl::SystemProfile profile = view.profile(keys, nullptr);
  fuzz::require(profile.components.size() == view.components.size(), "every component is drawn");
  (void)rtctl::SystemGraph::dot(profile, view.states(), "", {manager});

  // A plot's batch of samples.
  std::vector<std::string> samples;
  rtctl::PlotBatch batch;
  while (fields.left())
  {
    samples.push_back(fields.next());
    batch.add(static_cast<double>(samples.size()), samples.back());
  }
  fuzz::require(batch.empty() == samples.empty(), "a batch holds what was added");
  const json shownSamples = parsed(batch.take()).at("samples");
  fuzz::require(batch.empty(), "a taken batch is empty");
  fuzz::require(shownSamples.size() == samples.size(), "every sample is sent");
  for (std::size_t i = 0; i < samples.size(); ++i)
  {
    fuzz::require(shownSamples.at(i).at(0) == static_cast<double>(i + 1), "a sample keeps its time");
    requireShown(shownSamples.at(i).at(1), samples[i], "a sample's value round-trips");
  }
  return 0;
}
