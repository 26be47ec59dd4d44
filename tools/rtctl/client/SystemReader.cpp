#include "client/SystemReader.h"

#include "client/CallBound.h"
#include "client/ComponentRef.h"
#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/ManagerReader.h"
#include "client/NameText.h"
#include "client/NameWalk.h"
#include "client/PathUri.h"

#include <rtm/idl/SDOPackage.hh>

#include <memory>
#include <sstream>

namespace rtctl
{
  namespace
  {
    // Each call of a read for the view: a component that takes longer is not answering.
    const unsigned long kViewCallMs = 2000;

    std::string text(const char* value) { return value == nullptr ? std::string() : std::string(value); }

    std::string number(double value)
    {
      std::ostringstream out;
      out << value;
      return out.str();
    }

    // The component a path names, before anything is read of it.
    SystemView::Component named(const RtPath& path)
    {
      SystemView::Component component;
      component.key = SystemReader::keyOf(path);
      component.path = path.text();
      component.name = path.names().empty() ? component.key : path.names().back();
      return component;
    }

    SystemView::Component unknown(const RtPath& path, const std::string& problem)
    {
      SystemView::Component component = named(path);
      component.state = "Unknown";
      component.problem = problem;
      return component;
    }

    std::vector<SystemView::Connection> readConnections(const ComponentRef::Port& port)
    {
      std::vector<SystemView::Connection> connections;
      RTC::ConnectorProfileList_var profiles = port.ref->get_connector_profiles();
      for (CORBA::ULong i = 0; i < profiles->length(); ++i)
      {
        const RTC::ConnectorProfile& profile = profiles[i];
        SystemView::Connection connection;
        connection.id = text(profile.connector_id);
        connection.name = text(profile.name);
        for (CORBA::ULong k = 0; k < profile.properties.length(); ++k)
        {
          const std::string key = text(profile.properties[k].name);
          if (std::string* field = connection.field(key))
            *field = CorbaText::anyValue(profile.properties[k].value);
          // What a file can carry: the text values of dataport.* keys, without the references
          // of this one connection.
          const char* value = nullptr;
          if (key.compare(0, 9, "dataport.") == 0 && !SavedConnector::isConnectionArtifact(key) &&
              (profile.properties[k].value >>= value))
            connection.properties.emplace_back(key, value);
        }
        for (CORBA::ULong j = 0; j < profile.ports.length(); ++j)
          if (!profile.ports[j]->_is_equivalent(port.ref.in()))
            connection.peers.push_back(ComponentRef::portName(profile.ports[j].in()));
        connections.push_back(std::move(connection));
      }
      return connections;
    }
  }

  std::string SystemReader::keyOf(const RtPath& path) { return PathUri::shown(PathUri::of(path)); }

  SystemView SystemReader::read(const std::vector<RtPath>& roots, const Wanted& wanted)
  {
    std::unique_ptr<CallBound> bound(m_mode == kView ? new CallBound(kViewCallMs) : nullptr);
    SystemView view;
    for (const RtPath& root : roots)
    {
      bool isContext = root.isRoot();
      CORBA::Object_var obj;
      try
      {
        if (!isContext)
        {
          obj = m_session.names(root).resolve(root);
          isContext = !NameText::isManager(root.names().back()) && NameService::isContext(obj.in());
        }
      }
      catch (const Error& e)
      {
        if (m_mode == kWhole)
          throw;
        view.roots.push_back({keyOf(root), SystemView::Node::kContext, keyOf(root), e.what(), {}});
        continue;
      }
      catch (const CORBA::Exception& e)
      {
        // Not a context, and not answering: the view reads it as a component below, which says why.
        if (m_mode == kWhole)
          throw UnreachableError(root.text() + " " + CorbaText::exception(e) + "; its process may be gone");
      }
      if (!isContext)
      {
        NameWalk::Node node;
        node.name = keyOf(root);
        node.path = root;
        node.object = obj._retn();
        view.roots.push_back(readNode(node, wanted, view, true));
        continue;
      }
      try
      {
        // What the walk does not follow stays in the tree, each with the reason the page shows.
        NameWalk::Node tree = NameWalk(m_session.names(root), m_report).read(root);
        tree.name = keyOf(root);
        view.roots.push_back(readNode(tree, wanted, view, true));
      }
      catch (const Error& e)
      {
        if (m_mode == kWhole)
          throw;
        view.roots.push_back({keyOf(root), SystemView::Node::kContext, keyOf(root), e.what(), {}});
      }
    }
    if (m_mode == kView)
      readManagers(view);
    return view;
  }

  void SystemReader::readManagers(SystemView& view)
  {
    if (view.managers.empty())
      return;
    ManagerReader::BoundComponents bound;
    for (const std::string& key : view.inTreeOrder(SystemView::Node::kComponent))
    {
      try
      {
        const RtPath path = RtPath::parse(key, Session::defaultServer());
        bound.emplace_back(key.substr(1), m_session.names(path).resolve(path));
      }
      catch (const Error&)
      {
        // Unbound since the walk: no manager's component can be named by it.
      }
    }
    ManagerReader reader(m_session, std::move(bound));
    for (auto it = view.managers.begin(); it != view.managers.end();)
    {
      if (reader.read(RtPath::parse(it->first, Session::defaultServer()), it->second))
        ++it;
      else
        it = view.managers.erase(it);  // the same manager under another name: shown once
    }
  }

  SystemView::Node SystemReader::readNode(const NameWalk::Node& walked, const Wanted& wanted, SystemView& view,
                                          bool isRoot)
  {
    SystemView::Node node{walked.name, SystemView::Node::kObject, keyOf(walked.path), walked.problem, {}};
    if (walked.skipped)
      return node;
    if (walked.isContext)
    {
      node.kind = SystemView::Node::kContext;
      for (const NameWalk::Node& child : walked.children)
        node.children.push_back(readNode(child, wanted, view, false));
      return node;
    }
    if (NameText::isManager(walked.name))
    {
      node.kind = SystemView::Node::kManager;
      node.problem.clear();
      view.managers[node.key] = ManagerCluster();  // read once the whole tree is known
      return node;
    }
    // A root read whole is taken for a component whatever its kind, and told so if it is not.
    if (!NameText::isComponent(walked.name) && !(isRoot && m_mode == kWhole))
      return node;
    node.kind = SystemView::Node::kComponent;
    node.problem.clear();
    if (wanted && !wanted(node.key))
      return node;
    if (CORBA::is_nil(walked.object) && m_mode == kView)
    {
      view.components[node.key] = unknown(walked.path, walked.path.componentText() + " " + walked.problem);
      return node;
    }
    try
    {
      if (CORBA::is_nil(walked.object))
        throw Error(walked.problem);
      view.components[node.key] = readComponent(walked.object.in(), walked.path);
    }
    catch (const Error& e)
    {
      // Only a read whole gets here: what cannot be read whole is left out of it.
      if (isRoot)
        throw;
      if (m_report)
        m_report("left out " + walked.path.text() + ": " + e.what());
    }
    return node;
  }

  SystemView::Component SystemReader::readComponent(const RtPath& path)
  {
    const CallBound bound(kViewCallMs);
    try
    {
      CORBA::Object_var obj = m_session.names(path).resolve(path);
      return readComponent(obj.in(), path);
    }
    catch (const Error& e)
    {
      return unknown(path, e.what());
    }
  }

  SystemView::Component SystemReader::readComponent(CORBA::Object_ptr obj, const RtPath& path)
  {
    SystemView::Component component = named(path);
    try
    {
      const ComponentRef ref(obj, path);
      if (m_mode == kWhole)
        readSaved(ref, component.saved);
      component.state = ref.stateInFirstContext();
      for (const ComponentRef::Port& port : ref.ports())
      {
        SystemView::Port view{
          port.info.shortName(), port.info.fullName(), port.info.direction(), port.info.dataType(), {}};
        try
        {
          view.connections = readConnections(port);
        }
        catch (const CORBA::Exception& e)
        {
          if (m_mode == kWhole)
            ref.fail("reading the connections of " + view.name, e);
          component.problem =
            "the connections of " + view.name + " cannot be read: the port " + CorbaText::exception(e);
        }
        component.ports.push_back(std::move(view));
      }
    }
    catch (const UnreachableError& e)
    {
      if (m_mode == kWhole)
        throw;
      component.state = "Zombie";
      component.problem = e.what();
      component.ports.clear();
    }
    catch (const Error& e)
    {
      if (m_mode == kWhole)
        throw;
      if (component.state.empty())
        component.state = "Unknown";
      component.problem = e.what();
    }
    return component;
  }

  // The profile's ids, the configuration sets and the execution contexts, which only a file keeps.
  void SystemReader::readSaved(const ComponentRef& ref, SavedComponent& saved) const
  {
    try
    {
      RTC::ComponentProfile_var profile = ref.ref()->get_component_profile();
      saved.id = "RTC:" + text(profile->vendor) + ":" + text(profile->category) + ":" + text(profile->type_name) + ":" +
                 text(profile->version);
      saved.instanceName = text(profile->instance_name);
    }
    catch (const CORBA::Exception& e)
    {
      ref.fail("reading its profile", e);
    }
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
    CORBA::String_var ior = m_session.orb().orb()->object_to_string(ref.ref());
    saved.properties.emplace_back("IOR", text(ior.in()));
  }
}
