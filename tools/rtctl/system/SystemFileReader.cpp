#include "system/SystemFileReader.h"

#include "client/Error.h"
#include "system/XmlNames.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace rtctl
{
  namespace
  {
    typedef XmlNames X;

    class Reader
    {
    public:
      explicit Reader(const std::string& fileName) : m_file(fileName) {}

      SystemProfile read(const pugi::xml_document& document)
      {
        const pugi::xml_node root = document.document_element();
        if (!X::is(root, X::kRts, "RtsProfile"))
          fail("not a system profile: its root element is <" + std::string(root.name()) + ">, not rts:RtsProfile of " +
               X::kRts);
        SystemProfile profile;
        profile.id = rts(root, "id");
        profile.abstract = rts(root, "abstract");
        profile.creationDate = rts(root, "creationDate");
        profile.updateDate = rts(root, "updateDate");
        profile.version = rts(root, "version");
        for (pugi::xml_node element : X::children(root, X::kRts, "Components"))
          profile.components.push_back(component(element, profile));
        for (pugi::xml_node element : X::children(root, X::kRts, "DataPortConnectors"))
          profile.connectors.push_back(connector(element, profile, false));
        for (pugi::xml_node element : X::children(root, X::kRts, "ServicePortConnectors"))
          profile.connectors.push_back(connector(element, profile, true));
        return profile;
      }

    private:
      [[noreturn]] void fail(const std::string& message) const { throw Error(m_file + ": " + message); }

      static std::string rts(pugi::xml_node element, const char* local)
      {
        return X::attribute(element, X::kRts, local);
      }

      static TextPairs properties(pugi::xml_node element)
      {
        TextPairs values;
        for (pugi::xml_node p : X::children(element, X::kRtsExt, "Properties"))
          values.emplace_back(X::attribute(p, X::kRtsExt, "name"), X::attribute(p, X::kRtsExt, "value"));
        return values;
      }

      static std::string value(const TextPairs& values, const std::string& name)
      {
        for (const auto& nv : values)
          if (nv.first == name)
            return nv.second;
        return std::string();
      }

      bool boolean(pugi::xml_node element, const char* local, bool fallback, const std::string& shown) const
      {
        if (!X::hasAttribute(element, X::kRts, local))
          return fallback;
        const std::string text = rts(element, local);
        if (text == "true" || text == "1")
          return true;
        if (text == "false" || text == "0")
          return false;
        fail(shown + ": rts:" + local + " '" + text + "' is neither true nor false");
      }

      SavedComponent component(pugi::xml_node element, const SystemProfile& profile) const
      {
        SavedComponent c;
        c.id = rts(element, "id");
        c.pathUri = rts(element, "pathUri");
        c.instanceName = rts(element, "instanceName");
        const std::string shown = "rts:Components" +
                                  (c.instanceName.empty() ? std::string() : " '" + c.instanceName + "'") +
                                  " (component " + std::to_string(profile.components.size() + 1) + ")";
        if (c.pathUri.empty())
          fail(shown + " has no rts:pathUri: nothing tells where to find it");
        if (profile.component(c.pathUri) != nullptr)
          fail(shown + ": rts:pathUri " + c.pathUri + " is already used by an earlier component");
        c.activeConfigurationSet = rts(element, "activeConfigurationSet");
        if (X::hasAttribute(element, X::kRts, "compositeType"))
          c.compositeType = rts(element, "compositeType");
        c.isRequired = boolean(element, "isRequired", true, shown);
        for (pugi::xml_node port : X::children(element, X::kRts, "DataPorts"))
        {
          const TextPairs portProperties = properties(port);
          c.dataPorts.push_back(
            {rts(port, "name"), value(portProperties, "port.port_type"), value(portProperties, "dataport.data_type")});
        }
        for (pugi::xml_node port : X::children(element, X::kRts, "ServicePorts"))
          c.servicePorts.push_back(rts(port, "name"));
        for (pugi::xml_node set : X::children(element, X::kRts, "ConfigurationSets"))
        {
          SavedConfigurationSet saved{rts(set, "id"), {}};
          for (pugi::xml_node data : X::children(set, X::kRts, "ConfigurationData"))
            saved.data.emplace_back(rts(data, "name"), rts(data, "data"));
          c.configurationSets.push_back(saved);
        }
        for (pugi::xml_node ec : X::children(element, X::kRts, "ExecutionContexts"))
          c.executionContexts.push_back({rts(ec, "id"), rts(ec, "kind"), rts(ec, "rate")});
        c.properties = properties(element);
        return c;
      }

      SavedPortEnd portEnd(pugi::xml_node connector, const char* local, const std::string& shown,
                           const SystemProfile& profile) const
      {
        const std::vector<pugi::xml_node> found = X::children(connector, X::kRts, local);
        if (found.empty())
          fail(shown + " has no rts:" + std::string(local));
        const pugi::xml_node element = found.front();
        SavedPortEnd end;
        end.componentId = rts(element, "componentId");
        end.instanceName = rts(element, "instanceName");
        end.portName = rts(element, "portName");
        end.pathUri = value(properties(element), "COMPONENT_PATH_ID");
        if (end.portName.empty())
          fail(shown + ": rts:" + std::string(local) + " has no rts:portName");
        if (end.pathUri.empty())
        {
          // Without the path, the component id and instance name must pick one component.
          for (const SavedComponent& c : profile.components)
          {
            if (c.id != end.componentId || c.instanceName != end.instanceName)
              continue;
            if (!end.pathUri.empty())
              fail(shown + ": rts:" + std::string(local) + " " + end.portName + " may belong to " + end.pathUri +
                   " or " + c.pathUri + ", which have the same rts:componentId and rts:instanceName; give it a " +
                   "COMPONENT_PATH_ID property naming one");
            end.pathUri = c.pathUri;
          }
        }
        if (profile.component(end.pathUri) == nullptr)
          fail(shown + ": rts:" + std::string(local) + " " + end.portName + " belongs to " +
               (end.pathUri.empty() ? "'" + end.instanceName + "'" : end.pathUri) +
               ", which is not among the file's rts:Components");
        return end;
      }

      SavedConnector connector(pugi::xml_node element, const SystemProfile& profile, bool service) const
      {
        SavedConnector c;
        c.service = service;
        c.connectorId = rts(element, "connectorId");
        c.name = rts(element, "name");
        const std::string shown = std::string(service ? "rts:ServicePortConnectors" : "rts:DataPortConnectors") +
                                  (c.name.empty() ? std::string() : " '" + c.name + "'") + " (connector " +
                                  std::to_string(profile.connectors.size() + 1) + ")";
        if (c.connectorId.empty())
          fail(shown + " has no rts:connectorId");
        for (const SavedConnector& earlier : profile.connectors)
          if (earlier.connectorId == c.connectorId)
            fail(shown + ": rts:connectorId " + c.connectorId + " is already used by an earlier connector");
        if (service)
        {
          c.source = portEnd(element, "sourceServicePort", shown, profile);
          c.target = portEnd(element, "targetServicePort", shown, profile);
          for (const auto& nv : properties(element))
            if (SavedConnector::isServiceBinding(nv.first))
              c.properties.push_back(nv);
          return c;
        }
        c.dataType = rts(element, "dataType");
        c.interfaceType = rts(element, "interfaceType");
        c.dataflowType = rts(element, "dataflowType");
        c.subscriptionType = rts(element, "subscriptionType");
        c.pushInterval = rts(element, "pushInterval");
        c.source = portEnd(element, "sourceDataPort", shown, profile);
        c.target = portEnd(element, "targetDataPort", shown, profile);
        c.properties = properties(element);
        return c;
      }

      std::string m_file;
    };

    size_t lineOf(const std::string& text, ptrdiff_t offset)
    {
      size_t line = 1;
      for (ptrdiff_t i = 0; i < offset && static_cast<size_t>(i) < text.size(); ++i)
        if (text[static_cast<size_t>(i)] == '\n')
          ++line;
      return line;
    }
  }

  SystemProfile SystemFileReader::read(const std::string& fileName)
  {
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
      throw Error(fileName + ": cannot be read (" + std::strerror(errno) + ")");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
      throw Error(fileName + ": cannot be read (" + std::strerror(errno) + ")");
    return parse(text.str(), fileName);
  }

  SystemProfile SystemFileReader::parse(const std::string& text, const std::string& fileName)
  {
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_buffer(text.data(), text.size());
    if (!result)
      throw Error(fileName + ": not XML: " + result.description() + " at line " +
                  std::to_string(lineOf(text, result.offset)));
    if (!document.document_element())
      throw Error(fileName + ": not XML: no root element");
    return Reader(fileName).read(document);
  }
}
