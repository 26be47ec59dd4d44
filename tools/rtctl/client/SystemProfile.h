// A saved system in plain C++: what a system profile file holds of each component and each data
// connection, independent of both XML and CORBA. The reader and writer translate it to and from
// the file; SystemView::profile fills it from a running system; the other commands act on it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace rtctl
{
  typedef std::vector<std::pair<std::string, std::string>> TextPairs;

  struct SavedDataPort
  {
    std::string name;  // short name, "x1"
    std::string portType;  // "DataInPort" / "DataOutPort"; empty when the file does not say
    std::string dataType;  // "IDL:RTC/TimedLong:1.0"; empty when the file does not say
  };

  struct SavedConfigurationSet
  {
    std::string id;
    TextPairs data;
  };

  struct SavedExecutionContext
  {
    std::string id;  // the component's handle for it
    std::string kind;
    std::string rate;
  };

  struct SavedComponent
  {
    std::string id;  // RTC:<vendor>:<category>:<type_name>:<version>
    std::string pathUri;  // "127.0.0.1:2809/host.host_cxt/Trimul0.rtc"
    std::string instanceName;
    std::string activeConfigurationSet;
    std::string compositeType = "None";
    bool isRequired = true;
    std::vector<SavedDataPort> dataPorts;
    std::vector<std::string> servicePorts;
    std::vector<SavedConfigurationSet> configurationSets;
    std::vector<SavedExecutionContext> executionContexts;
    TextPairs properties;

    const SavedDataPort* dataPort(const std::string& name) const;
  };

  // One end of a connection, as the connector element names it.
  struct SavedPortEnd
  {
    std::string componentId;
    std::string instanceName;
    std::string portName;  // full name, "Trimul0.y1"
    std::string pathUri;  // the component's, from COMPONENT_PATH_ID

    // "y1": the port name without the instance name in front.
    std::string shortName() const;
  };

  struct SavedConnector
  {
    std::string connectorId;
    std::string name;
    std::string dataType;
    std::string interfaceType;
    std::string dataflowType;
    std::string subscriptionType;
    std::string pushInterval;
    SavedPortEnd source;  // the output port
    SavedPortEnd target;  // the input port
    TextPairs properties;  // the connector's dataport.* properties as saved
    // rts:ServicePortConnectors: two service ports, and of the properties only which provider
    // serves each required interface (and port.connection.strictness); no data-port attributes.
    bool service = false;

    // What to hand the ports when connecting again: the saved properties, completed from the
    // attributes, without the previous connection's object references.
    TextPairs connectionProperties() const;
    // Keys that only describe one live connection (the peer's object reference) and would point
    // a new connection at an object that no longer exists.
    static bool isConnectionArtifact(const std::string& key);
    // Of a service connection's keys, those a new connection needs: the providers' references
    // it carried are artifacts.
    static bool isServiceBinding(const std::string& key);
  };

  struct SystemProfile
  {
    std::string id = "RTSystem:rtctl:system:1.0";
    std::string abstract;
    std::string creationDate;
    std::string updateDate;
    std::string version = "0.2";
    std::vector<SavedComponent> components;
    std::vector<SavedConnector> connectors;

    const SavedComponent* component(const std::string& pathUri) const;
  };
}
