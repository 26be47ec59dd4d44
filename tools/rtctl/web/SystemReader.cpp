#include "web/SystemReader.h"

#include "web/CallBound.h"

#include "client/ComponentRef.h"
#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/ManagerReader.h"
#include "client/NameText.h"
#include "client/NameWalk.h"
#include "client/PathUri.h"

namespace rtctl
{
  namespace
  {
    // Each call of a read: a component that takes longer is not answering.
    const unsigned long kReadCallMs = 2000;

    std::vector<SystemView::Connection> readConnections(const ComponentRef::Port& port)
    {
      std::vector<SystemView::Connection> connections;
      RTC::ConnectorProfileList_var profiles = port.ref->get_connector_profiles();
      for (CORBA::ULong i = 0; i < profiles->length(); ++i)
      {
        const RTC::ConnectorProfile& profile = profiles[i];
        SystemView::Connection connection;
        connection.id = static_cast<const char*>(profile.connector_id);
        for (CORBA::ULong k = 0; k < profile.properties.length(); ++k)
          if (std::string* field = connection.field(static_cast<const char*>(profile.properties[k].name)))
            *field = CorbaText::anyValue(profile.properties[k].value);
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
    const CallBound bound(kReadCallMs);
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
          isContext = NameService::isContext(obj.in());
        }
      }
      catch (const Error& e)
      {
        view.roots.push_back({keyOf(root), SystemView::Node::kContext, keyOf(root), e.what(), {}});
        continue;
      }
      catch (const CORBA::Exception&)
      {
        // Not a context, and not answering: read as a component below, which says why.
      }
      if (!isContext)
      {
        NameWalk::Node node;
        node.name = keyOf(root);
        node.path = root;
        node.object = obj._retn();
        view.roots.push_back(readNode(node, wanted, view));
        continue;
      }
      try
      {
        // What the walk does not follow stays in the tree, each with the reason the page shows.
        NameWalk::Node tree = NameWalk(m_session.names(root), nullptr).read(root);
        tree.name = keyOf(root);
        view.roots.push_back(readNode(tree, wanted, view));
      }
      catch (const Error& e)
      {
        view.roots.push_back({keyOf(root), SystemView::Node::kContext, keyOf(root), e.what(), {}});
      }
    }
    readManagers(view);
    return view;
  }

  void SystemReader::readManagers(SystemView& view)
  {
    if (view.managers.empty())
      return;
    ManagerReader::BoundComponents bound;
    for (const std::string& key : view.componentKeys())
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

  SystemView::Node SystemReader::readNode(const NameWalk::Node& walked, const Wanted& wanted, SystemView& view)
  {
    SystemView::Node node{walked.name, SystemView::Node::kObject, keyOf(walked.path), walked.problem, {}};
    if (walked.skipped)
      return node;
    if (walked.isContext)
    {
      node.kind = SystemView::Node::kContext;
      for (const NameWalk::Node& child : walked.children)
        node.children.push_back(readNode(child, wanted, view));
      return node;
    }
    if (NameText::isManager(walked.name))
    {
      node.kind = SystemView::Node::kManager;
      node.problem.clear();
      view.managers[node.key] = ManagerCluster();  // read once the whole tree is known
      return node;
    }
    if (!NameText::isComponent(walked.name))
      return node;
    node.kind = SystemView::Node::kComponent;
    node.problem.clear();
    if (wanted && !wanted(node.key))
      return node;
    SystemView::Component component;
    if (CORBA::is_nil(walked.object))
    {
      component.key = node.key;
      component.name = walked.name;
      component.state = "Unknown";
      component.problem = walked.path.componentText() + " " + walked.problem;
    }
    else
      component = readComponent(walked.object.in(), walked.path);
    view.components[node.key] = std::move(component);
    return node;
  }

  SystemView::Component SystemReader::readComponent(const RtPath& path)
  {
    const CallBound bound(kReadCallMs);
    try
    {
      CORBA::Object_var obj = m_session.names(path).resolve(path);
      return readComponent(obj.in(), path);
    }
    catch (const Error& e)
    {
      SystemView::Component component;
      component.key = keyOf(path);
      component.name = path.names().empty() ? keyOf(path) : path.names().back();
      component.state = "Unknown";
      component.problem = e.what();
      return component;
    }
  }

  SystemView::Component SystemReader::readComponent(CORBA::Object_ptr obj, const RtPath& path)
  {
    SystemView::Component component;
    component.key = keyOf(path);
    component.name = path.names().empty() ? component.key : path.names().back();
    try
    {
      const ComponentRef ref(obj, path);
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
          component.problem =
            "the connections of " + view.name + " cannot be read: the port " + CorbaText::exception(e);
        }
        component.ports.push_back(std::move(view));
      }
    }
    catch (const UnreachableError& e)
    {
      component.state = "Zombie";
      component.problem = e.what();
      component.ports.clear();
    }
    catch (const Error& e)
    {
      if (component.state.empty())
        component.state = "Unknown";
      component.problem = e.what();
    }
    return component;
  }
}
