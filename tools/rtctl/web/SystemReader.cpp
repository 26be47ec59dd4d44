#include "SystemReader.h"

#include "CallBound.h"

#include "ComponentRef.h"
#include "CorbaText.h"
#include "Error.h"
#include "ManagerReader.h"
#include "PathUri.h"
#include "ProfilePrinter.h"

namespace rtctl
{
  namespace
  {
    // Naming graphs may loop (a context bound inside itself): no walk goes deeper than this.
    const int kMaxDepth = 16;
    // Each call of a read: a component that takes longer is not answering.
    const unsigned long kReadCallMs = 2000;

    bool endsWith(const std::string& text, const std::string& tail)
    {
      return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    }

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
        {
          const std::string name = static_cast<const char*>(profile.properties[k].name);
          if (name == "dataport.subscription_type")
            connection.subscription = CorbaText::anyValue(profile.properties[k].value);
          else if (name == "dataport.dataflow_type")
            connection.dataflow = CorbaText::anyValue(profile.properties[k].value);
          else if (name == "dataport.publisher.push_rate" || (name == "dataport.push_rate" && connection.pushRate.empty()))
            connection.pushRate = CorbaText::anyValue(profile.properties[k].value);
        }
        for (CORBA::ULong j = 0; j < profile.ports.length(); ++j)
          if (!profile.ports[j]->_is_equivalent(port.ref.in()))
            connection.peers.push_back(ProfilePrinter::portName(profile.ports[j].in()));
        connections.push_back(std::move(connection));
      }
      return connections;
    }
  }

  std::string SystemReader::keyOf(const RtPath& path)
  {
    return PathUri::shown(PathUri::of(path));
  }

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
      view.roots.push_back(readNode(root, keyOf(root), isContext, wanted, view, 0));
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

  SystemView::Node SystemReader::readNode(const RtPath& path, const std::string& name, bool isContext,
                                          const Wanted& wanted, SystemView& view, int depth)
  {
    SystemView::Node node{name, SystemView::Node::kObject, keyOf(path), "", {}};
    if (isContext)
    {
      node.kind = SystemView::Node::kContext;
      if (depth >= kMaxDepth)
      {
        node.problem = "not listed: deeper than " + std::to_string(kMaxDepth) + " contexts";
        return node;
      }
      try
      {
        NameService& names = m_session.names(path);
        CosNaming::NamingContext_var context = names.context(path);
        for (const NameService::Entry& entry : names.list(context.in(), path))
          node.children.push_back(
            readNode(path.child(entry.name), entry.name, entry.isContext, wanted, view, depth + 1));
      }
      catch (const Error& e)
      {
        node.problem = e.what();
      }
      return node;
    }
    if (endsWith(name, ".mgr"))
    {
      node.kind = SystemView::Node::kManager;
      view.managers[node.key] = ManagerCluster();  // read once the whole tree is known
      return node;
    }
    if (!endsWith(name, ".rtc"))
      return node;
    node.kind = SystemView::Node::kComponent;
    if (wanted && !wanted(node.key))
      return node;
    SystemView::Component component;
    try
    {
      CORBA::Object_var obj = m_session.names(path).resolve(path);
      component = readComponent(obj.in(), path);
    }
    catch (const Error& e)
    {
      component.key = node.key;
      component.name = name;
      component.state = "Unknown";
      component.problem = e.what();
    }
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
      component.state = ProfilePrinter::stateInFirstContext(ref);
      for (const ComponentRef::Port& port : ref.ports())
      {
        SystemView::Port view{port.info.shortName(), port.info.fullName(), port.info.direction(),
                              port.info.dataType(), {}};
        try
        {
          view.connections = readConnections(port);
        }
        catch (const CORBA::Exception& e)
        {
          component.problem = "the connections of " + view.name + " cannot be read: the port " +
                              CorbaText::exception(e);
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
