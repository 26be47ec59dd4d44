#include "system/SystemFileWriter.h"

#include "client/Error.h"
#include "system/XmlNames.h"

#include <pugixml.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace rtctl
{
  namespace
  {
    // Layout hints for the graphical editors: components side by side, in file order.
    const int kLocationWidth = 120;
    const int kLocationHeight = 100;
    const int kLocationStep = 200;

    void properties(pugi::xml_node parent, const TextPairs& values)
    {
      for (const auto& nv : values)
      {
        pugi::xml_node p = parent.append_child("rtsExt:Properties");
        p.append_attribute("rtsExt:name") = nv.first.c_str();
        p.append_attribute("rtsExt:value") = nv.second.c_str();
      }
    }

    void component(pugi::xml_node root, const SavedComponent& c, size_t index)
    {
      pugi::xml_node e = root.append_child("rts:Components");
      e.append_attribute("xsi:type") = "rtsExt:component_ext";
      e.append_attribute("rts:id") = c.id.c_str();
      e.append_attribute("rts:pathUri") = c.pathUri.c_str();
      e.append_attribute("rts:instanceName") = c.instanceName.c_str();
      e.append_attribute("rts:activeConfigurationSet") = c.activeConfigurationSet.c_str();
      e.append_attribute("rts:compositeType") = c.compositeType.c_str();
      e.append_attribute("rts:isRequired") = c.isRequired ? "true" : "false";
      e.append_attribute("rtsExt:visible") = "true";
      for (const SavedDataPort& port : c.dataPorts)
      {
        pugi::xml_node p = e.append_child("rts:DataPorts");
        p.append_attribute("xsi:type") = "rtsExt:dataport_ext";
        p.append_attribute("rts:name") = port.name.c_str();
        p.append_attribute("rtsExt:visible") = "true";
        TextPairs described;
        if (!port.portType.empty())
          described.emplace_back("port.port_type", port.portType);
        if (!port.dataType.empty())
          described.emplace_back("dataport.data_type", port.dataType);
        properties(p, described);
      }
      for (const std::string& name : c.servicePorts)
      {
        pugi::xml_node p = e.append_child("rts:ServicePorts");
        p.append_attribute("xsi:type") = "rtsExt:serviceport_ext";
        p.append_attribute("rts:name") = name.c_str();
        p.append_attribute("rtsExt:visible") = "true";
      }
      for (const SavedConfigurationSet& set : c.configurationSets)
      {
        pugi::xml_node s = e.append_child("rts:ConfigurationSets");
        s.append_attribute("rts:id") = set.id.c_str();
        for (const auto& nv : set.data)
        {
          pugi::xml_node d = s.append_child("rts:ConfigurationData");
          d.append_attribute("rts:name") = nv.first.c_str();
          d.append_attribute("rts:data") = nv.second.c_str();
        }
      }
      for (const SavedExecutionContext& ec : c.executionContexts)
      {
        pugi::xml_node x = e.append_child("rts:ExecutionContexts");
        x.append_attribute("xsi:type") = "rtsExt:execution_context_ext";
        x.append_attribute("rts:id") = ec.id.c_str();
        x.append_attribute("rts:kind") = ec.kind.c_str();
        x.append_attribute("rts:rate") = ec.rate.c_str();
      }
      pugi::xml_node location = e.append_child("rtsExt:Location");
      location.append_attribute("rtsExt:x") = kLocationStep * static_cast<long long>(index);
      location.append_attribute("rtsExt:y") = 0;
      location.append_attribute("rtsExt:height") = kLocationHeight;
      location.append_attribute("rtsExt:width") = kLocationWidth;
      location.append_attribute("rtsExt:direction") = "RIGHT";
      properties(e, c.properties);
    }

    void portEnd(pugi::xml_node connector, const char* name, const SavedPortEnd& end)
    {
      pugi::xml_node e = connector.append_child(name);
      e.append_attribute("xsi:type") = "rtsExt:target_port_ext";
      e.append_attribute("rts:componentId") = end.componentId.c_str();
      e.append_attribute("rts:instanceName") = end.instanceName.c_str();
      e.append_attribute("rts:portName") = end.portName.c_str();
      properties(e, {{"COMPONENT_PATH_ID", end.pathUri}});
    }

    void serviceConnector(pugi::xml_node root, const SavedConnector& c)
    {
      pugi::xml_node e = root.append_child("rts:ServicePortConnectors");
      e.append_attribute("xsi:type") = "rtsExt:serviceport_connector_ext";
      e.append_attribute("rts:connectorId") = c.connectorId.c_str();
      e.append_attribute("rts:name") = c.name.c_str();
      portEnd(e, "rts:sourceServicePort", c.source);
      portEnd(e, "rts:targetServicePort", c.target);
      properties(e, c.properties);
    }

    void connector(pugi::xml_node root, const SavedConnector& c)
    {
      pugi::xml_node e = root.append_child("rts:DataPortConnectors");
      e.append_attribute("xsi:type") = "rtsExt:dataport_connector_ext";
      e.append_attribute("rts:connectorId") = c.connectorId.c_str();
      e.append_attribute("rts:name") = c.name.c_str();
      e.append_attribute("rts:dataType") = c.dataType.c_str();
      e.append_attribute("rts:interfaceType") = c.interfaceType.c_str();
      e.append_attribute("rts:dataflowType") = c.dataflowType.c_str();
      e.append_attribute("rts:subscriptionType") = c.subscriptionType.c_str();
      if (!c.pushInterval.empty())
        e.append_attribute("rts:pushInterval") = c.pushInterval.c_str();
      portEnd(e, "rts:sourceDataPort", c.source);
      portEnd(e, "rts:targetDataPort", c.target);
      properties(e, c.properties);
    }
  }

  std::string SystemFileWriter::text(const SystemProfile& profile)
  {
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    declaration.append_attribute("standalone") = "yes";

    pugi::xml_node root = document.append_child("rts:RtsProfile");
    root.append_attribute("rts:version") = profile.version.c_str();
    root.append_attribute("rts:id") = profile.id.c_str();
    root.append_attribute("rts:abstract") = profile.abstract.c_str();
    root.append_attribute("rts:creationDate") = profile.creationDate.c_str();
    root.append_attribute("rts:updateDate") = profile.updateDate.c_str();
    root.append_attribute("xmlns:rts") = XmlNames::kRts;
    root.append_attribute("xmlns:rtsExt") = XmlNames::kRtsExt;
    root.append_attribute("xmlns:xsi") = XmlNames::kXsi;
    for (size_t i = 0; i < profile.components.size(); ++i)
      component(root, profile.components[i], i);
    // The data connections first, then the service connections, as the file format orders them.
    for (const SavedConnector& c : profile.connectors)
      if (!c.service)
        connector(root, c);
    for (const SavedConnector& c : profile.connectors)
      if (c.service)
        serviceConnector(root, c);

    std::ostringstream out;
    document.save(out, "    ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
  }

  void SystemFileWriter::write(const SystemProfile& profile, const std::string& fileName)
  {
    const std::string content = text(profile);
    const std::string temporary = fileName + ".tmp" + std::to_string(::getpid());
    {
      std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
      if (!out)
        throw Error(fileName + ": cannot be written (" + std::strerror(errno) + ")");
      out << content;
      out.flush();
      if (!out)
      {
        const int error = errno;
        std::remove(temporary.c_str());
        throw Error(fileName + ": cannot be written (" + std::strerror(error) + ")");
      }
    }
    if (std::rename(temporary.c_str(), fileName.c_str()) != 0)
    {
      const int error = errno;
      std::remove(temporary.c_str());
      throw Error(fileName + ": cannot be written (" + std::strerror(error) + ")");
    }
  }
}
