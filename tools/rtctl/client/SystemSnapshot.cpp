#include "client/SystemSnapshot.h"

#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/NameText.h"
#include "client/PathUri.h"

#include <rtm/idl/SDOPackage.hh>

#include <set>
#include <sstream>

namespace rtctl
{
  namespace
  {
    std::string text(const char* value) { return value == nullptr ? std::string() : std::string(value); }

    std::string number(double value)
    {
      std::ostringstream out;
      out << value;
      return out.str();
    }

    std::string lookup(const TextPairs& values, const std::string& key)
    {
      for (const auto& nv : values)
        if (nv.first == key)
          return nv.second;
      return std::string();
    }

    // A connector's properties that a file can carry: the string values of dataport.* keys,
    // without the references of this one connection.
    TextPairs savedProperties(const RTC::ConnectorProfile& connector)
    {
      TextPairs values;
      for (CORBA::ULong i = 0; i < connector.properties.length(); ++i)
      {
        const std::string key = text(connector.properties[i].name);
        const char* value = nullptr;
        if (key.compare(0, 9, "dataport.") != 0 || SavedConnector::isConnectionArtifact(key) ||
            !(connector.properties[i].value >>= value))
          continue;
        values.emplace_back(key, value);
      }
      return values;
    }

    SavedPortEnd portEnd(const SavedComponent& component, const ComponentRef::Port& port)
    {
      return {component.id, component.instanceName, port.info.fullName(), component.pathUri};
    }
  }

  void SystemSnapshot::add(const std::string& pathText)
  {
    const RtPath path = m_session.path(pathText).requireNoPort("give components or naming contexts");
    NameService& names = m_session.names(path);
    CORBA::Object_var obj = names.resolve(path);
    if (!path.isRoot() && NameText::isManager(path.names().back()))
    {
      m_managers.push_back(path);
      return;
    }
    bool context = path.isRoot();
    if (!context)
    {
      try
      {
        context = NameService::isContext(obj.in());
      }
      catch (const CORBA::Exception& e)
      {
        throw UnreachableError(path.text() + " " + CorbaText::exception(e) + "; its process may be gone");
      }
    }
    if (context)
      addContext(names, path);
    else
      addComponent(ComponentRef(obj.in(), path));
  }

  void SystemSnapshot::addContext(NameService& names, const RtPath& path)
  {
    std::ostream& warnings = m_warnings;
    NameWalk walk(names, [&warnings](const std::string& line) { warnings << "warning: " << line << '\n'; });
    addTree(walk.read(path));
  }

  void SystemSnapshot::addTree(const NameWalk::Node& node)
  {
    for (const NameWalk::Node& child : node.children)
    {
      if (child.skipped)
        continue;
      if (child.isContext)
      {
        addTree(child);
        continue;
      }
      if (NameText::isManager(child.name))
        m_managers.push_back(child.path);
      if (!NameText::isComponent(child.name))
        continue;
      try
      {
        if (CORBA::is_nil(child.object))
          throw Error(child.problem);
        addComponent(ComponentRef(child.object.in(), child.path));
      }
      catch (const Error& e)
      {
        m_warnings << "warning: left out " << child.path.text() << ": " << e.what() << '\n';
      }
    }
  }

  void SystemSnapshot::addComponent(const ComponentRef& ref)
  {
    const std::string pathUri = PathUri::of(ref.path());
    for (const Found& found : m_found)
      if (found.saved.pathUri == pathUri)
        return;

    RTC::ComponentProfile_var profile;
    try
    {
      profile = ref.ref()->get_component_profile();
    }
    catch (const CORBA::Exception& e)
    {
      ref.fail("reading its profile", e);
    }
    SavedComponent saved;
    saved.id = "RTC:" + text(profile->vendor) + ":" + text(profile->category) + ":" + text(profile->type_name) + ":" +
               text(profile->version);
    saved.pathUri = pathUri;
    saved.instanceName = text(profile->instance_name);

    std::vector<ComponentRef::Port> ports = ref.ports();
    for (const ComponentRef::Port& port : ports)
    {
      if (port.info.isInput() || port.info.isOutput())
        saved.dataPorts.push_back({port.info.shortName(), port.info.portType(), port.info.dataType()});
      else
        saved.servicePorts.push_back(port.info.shortName());
    }
    readConfiguration(ref, saved);
    readContexts(ref, saved);
    CORBA::String_var ior = m_session.orb().orb()->object_to_string(ref.ref());
    saved.properties.emplace_back("IOR", text(ior.in()));

    m_states[pathUri] = ref.stateInFirstContext();
    m_found.push_back({saved, ref, std::move(ports)});
  }

  void SystemSnapshot::readConfiguration(const ComponentRef& ref, SavedComponent& saved) const
  {
    try
    {
      SDOPackage::Configuration_var configuration = ref.ref()->get_configuration();
      try
      {
        SDOPackage::ConfigurationSet_var active = configuration->get_active_configuration_set();
        saved.activeConfigurationSet = text(active->id);
      }
      catch (const SDOPackage::NotAvailable&)
      {
        // Changed since the last activation: no set is active to record.
      }
      SDOPackage::ConfigurationSetList_var sets = configuration->get_configuration_sets();
      for (CORBA::ULong i = 0; i < sets->length(); ++i)
      {
        SavedConfigurationSet set{text(sets[i].id), {}};
        for (CORBA::ULong j = 0; j < sets[i].configuration_data.length(); ++j)
        {
          const char* value = nullptr;
          if (sets[i].configuration_data[j].value >>= value)
            set.data.emplace_back(text(sets[i].configuration_data[j].name), value);
        }
        saved.configurationSets.push_back(set);
      }
    }
    catch (const CORBA::Exception& e)
    {
      ref.fail("reading its configuration sets", e);
    }
  }

  void SystemSnapshot::readContexts(const ComponentRef& ref, SavedComponent& saved) const
  {
    for (const RTC::ExecutionContext_var& ec : ref.contexts())
    {
      try
      {
        saved.executionContexts.push_back({std::to_string(ref.ref()->get_context_handle(ec.in())),
                                           CorbaText::kind(ec->get_kind()), number(ec->get_rate())});
      }
      catch (const CORBA::Exception& e)
      {
        ref.fail("reading its execution contexts", e);
      }
    }
  }

  const SystemSnapshot::Found* SystemSnapshot::owner(RTC::PortService_ptr port, const ComponentRef::Port** found) const
  {
    for (const Found& candidate : m_found)
    {
      for (const ComponentRef::Port& p : candidate.ports)
      {
        if (p.ref->_is_equivalent(port))
        {
          *found = &p;
          return &candidate;
        }
      }
    }
    return nullptr;
  }

  void SystemSnapshot::addConnectors(const Found& found, const ComponentRef::Port& port, SystemProfile& profile) const
  {
    RTC::ConnectorProfileList_var connectors;
    try
    {
      connectors = port.ref->get_connector_profiles();
    }
    catch (const CORBA::Exception& e)
    {
      found.ref.fail("reading the connections of " + port.info.shortName(), e);
    }
    for (CORBA::ULong i = 0; i < connectors->length(); ++i)
    {
      const RTC::ConnectorProfile& connector = connectors[i];
      const std::string id = text(connector.connector_id);
      bool seen = false;
      for (const SavedConnector& saved : profile.connectors)
        seen = seen || saved.connectorId == id;
      if (seen)
        continue;

      const Found* peer = nullptr;
      const ComponentRef::Port* peerPort = nullptr;
      for (CORBA::ULong j = 0; j < connector.ports.length() && peer == nullptr; ++j)
        if (!connector.ports[j]->_is_equivalent(port.ref.in()))
          peer = owner(connector.ports[j].in(), &peerPort);
      if (connector.ports.length() != 2 || peer == nullptr)
      {
        m_warnings << "warning: left out connector " << id << " of " << found.ref.path().text() << ":"
                   << port.info.shortName() << ": it joins a port outside the components saved\n";
        continue;
      }

      SavedConnector saved;
      saved.connectorId = id;
      saved.name = text(connector.name);
      saved.properties = savedProperties(connector);
      saved.dataType = lookup(saved.properties, "dataport.data_type");
      saved.interfaceType = lookup(saved.properties, "dataport.interface_type");
      saved.dataflowType = lookup(saved.properties, "dataport.dataflow_type");
      saved.subscriptionType = lookup(saved.properties, "dataport.subscription_type");
      saved.pushInterval = lookup(saved.properties, "dataport.publisher.push_rate");
      if (saved.pushInterval.empty())
        saved.pushInterval = lookup(saved.properties, "dataport.push_rate");
      const bool thisIsSource = port.info.isOutput() || !peerPort->info.isOutput();
      const SavedPortEnd self = portEnd(found.saved, port);
      const SavedPortEnd other = portEnd(peer->saved, *peerPort);
      saved.source = thisIsSource ? self : other;
      saved.target = thisIsSource ? other : self;
      profile.connectors.push_back(saved);
    }
  }

  std::vector<std::pair<std::string, CORBA::Object_var>> SystemSnapshot::components() const
  {
    std::vector<std::pair<std::string, CORBA::Object_var>> list;
    for (const Found& found : m_found)
      list.emplace_back(found.saved.pathUri, CORBA::Object::_duplicate(found.ref.ref()));
    return list;
  }

  SystemProfile SystemSnapshot::profile() const
  {
    SystemProfile profile;
    for (const Found& found : m_found)
      profile.components.push_back(found.saved);
    for (const Found& found : m_found)
      for (const ComponentRef::Port& port : found.ports)
        if (port.info.isInput() || port.info.isOutput())
          addConnectors(found, port, profile);
    return profile;
  }
}
