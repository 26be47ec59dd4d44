#include "system/SystemConnections.h"

#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/NameValues.h"
#include "client/PortConnector.h"

#include <functional>
#include <set>

namespace rtctl
{
  namespace
  {
    bool joins(const RTC::ConnectorProfile& connector, RTC::PortService_ptr port)
    {
      for (CORBA::ULong i = 0; i < connector.ports.length(); ++i)
        if (connector.ports[i]->_is_equivalent(port))
          return true;
      return false;
    }

    RTC::ConnectorProfileList* connectorsOf(const ComponentRef::Port& port)
    {
      try
      {
        return port.ref->get_connector_profiles();
      }
      catch (const CORBA::Exception& e)
      {
        throw Error("reading the connections of " + port.info.fullName() + ": the port " + CorbaText::exception(e));
      }
    }
  }

  SystemConnections::SystemConnections(const LiveSystem& system, const SystemProfile& profile) : m_system(system)
  {
    for (const SavedConnector& saved : profile.connectors)
    {
      Link link{&saved, nullptr, nullptr, std::string()};
      try
      {
        link.source = system.port(saved, saved.source);
        link.target = system.port(saved, saved.target);
      }
      catch (const Error& e)
      {
        link.problem = e.what();
      }
      m_links.push_back(link);
    }
  }

  // A service connection saved by a tool that names no provider gets the names rtctl connect
  // would give it, from the running ports' interfaces.
  PortConnector::Properties SystemConnections::connectionProperties(const Link& link)
  {
    PortConnector::Properties properties = link.saved->connectionProperties();
    if (!link.saved->service)
      return properties;
    for (const auto& nv : properties)
      if (nv.first.find(".required.") != std::string::npos)
        return properties;
    PortConnector::Properties named = PortConnector::properties(link.source->info, link.target->info, {});
    named.insert(named.end(), properties.begin(), properties.end());
    return named;
  }

  void SystemConnections::requirePorts() const
  {
    for (const Link& link : m_links)
      if (!link.problem.empty())
        throw Error(link.problem);
  }

  RTC::ConnectorProfile* SystemConnections::find(const Link& link, Presence* presence)
  {
    const std::string id = link.saved->connectorId;
    for (const ComponentRef::Port* port : {link.source, link.target})
    {
      RTC::ConnectorProfileList_var connectors = connectorsOf(*port);
      for (CORBA::ULong i = 0; i < connectors->length(); ++i)
      {
        if (id != static_cast<const char*>(connectors[i].connector_id))
          continue;
        const bool both = joins(connectors[i], link.source->ref.in()) && joins(connectors[i], link.target->ref.in());
        *presence = both ? kPresent : kConflict;
        return new RTC::ConnectorProfile(connectors[i]);
      }
    }
    *presence = kAbsent;
    return nullptr;
  }

  std::string SystemConnections::skipped(const Link& link)
  {
    return "warning: skipping " + LiveSystem::shown(*link.saved) + ": an optional component is not running";
  }

  void SystemConnections::checkRestorable() const
  {
    requirePorts();
    for (const Link& link : m_links)
    {
      if (!link.live())
        continue;
      const SavedConnector& saved = *link.saved;
      const std::string what = std::string(saved.service ? "rts:ServicePortConnectors '" : "rts:DataPortConnectors '") +
                               saved.name + "' (" + saved.connectorId + "): ";
      try
      {
        if (saved.service != link.source->info.isService() || saved.service != link.target->info.isService())
          throw Error(std::string("the file says ") + (saved.service ? "service" : "data") +
                      " ports, but the running ports are not");
        PortConnector::checkCompatible(link.source->info.fullName(), link.source->info, link.target->info.fullName(),
                                       link.target->info, connectionProperties(link));
      }
      catch (const Error& e)
      {
        throw Error(what + e.what());
      }
      if (!saved.service && !link.source->info.isOutput())
        throw Error(what + "rts:sourceDataPort " + link.source->info.fullName() + " is not an output port");
      Presence presence = kAbsent;
      RTC::ConnectorProfile_var connector = find(link, &presence);
      if (presence == kConflict)
        throw Error(what + "the id is already used by a connection between other ports");
    }
  }

  bool SystemConnections::eachLink(const char* doing, std::ostream& err,
                                   const std::function<void(const Link&, Presence)>& step) const
  {
    bool ok = true;
    for (const Link& link : m_links)
    {
      if (!link.live())
      {
        err << "rtctl: system: " << skipped(link) << '\n';
        continue;
      }
      try
      {
        Presence presence = kAbsent;
        RTC::ConnectorProfile_var existing = find(link, &presence);
        step(link, presence);
      }
      catch (const Error& e)
      {
        err << "rtctl: system: " << doing << " " << LiveSystem::shown(*link.saved) << ": " << e.what() << std::endl;
        ok = false;
      }
    }
    return ok;
  }

  bool SystemConnections::connectAll(std::ostream& out, std::ostream& err) const
  {
    return eachLink("connecting", err, [&out](const Link& link, Presence presence) {
      if (presence == kPresent)
      {
        out << "already connected " << LiveSystem::shown(*link.saved) << std::endl;
        return;
      }
      PortConnector::connect(link.source->ref.in(), link.target->ref.in(), connectionProperties(link), link.saved->name,
                             link.saved->connectorId);
      out << "connected " << LiveSystem::shown(*link.saved) << std::endl;
    });
  }

  bool SystemConnections::disconnectAll(std::ostream& out, std::ostream& err) const
  {
    return eachLink("disconnecting", err, [&out](const Link& link, Presence presence) {
      if (presence != kPresent)
      {
        out << "not connected " << LiveSystem::shown(*link.saved) << std::endl;
        return;
      }
      RTC::ReturnCode_t ret = RTC::RTC_ERROR;
      try
      {
        ret = link.source->ref->disconnect(link.saved->connectorId.c_str());
      }
      catch (const CORBA::Exception& e)
      {
        throw Error("the port " + CorbaText::exception(e));
      }
      if (ret != RTC::RTC_OK)
        throw Error("the port refused: " + CorbaText::returnCode(ret));
      out << "disconnected " << LiveSystem::shown(*link.saved) << std::endl;
    });
  }

  std::vector<std::string> SystemConnections::differences() const
  {
    std::vector<std::string> found;
    std::set<std::string> known;
    for (const Link& link : m_links)
    {
      known.insert(link.saved->connectorId);
      if (!link.problem.empty())
        found.push_back(link.problem);
      if (!link.live())
        continue;
      const std::string shown = LiveSystem::shown(*link.saved);
      Presence presence = kAbsent;
      RTC::ConnectorProfile_var connector = find(link, &presence);
      if (presence == kAbsent)
      {
        found.push_back("missing connection " + shown);
        continue;
      }
      if (presence == kConflict)
      {
        found.push_back("connector " + link.saved->connectorId + " joins other ports than " + shown);
        continue;
      }
      const NameValues liveProperties(connector->properties);
      for (const auto& nv : link.saved->connectionProperties())
      {
        const bool present = liveProperties.has(nv.first);
        const std::string value = liveProperties.value(nv.first);
        if (!present || value != nv.second)
          found.push_back("connection " + shown + " has " + nv.first + "=" + (present ? "'" + value + "'" : "nothing") +
                          " (the file: '" + nv.second + "')");
      }
    }

    // Connections the file does not have, between two ports of components it has.
    for (const LiveSystem::Member& member : m_system.members())
    {
      for (const ComponentRef::Port& port : member.ports)
      {
        if (!port.info.isOutput())
          continue;
        RTC::ConnectorProfileList_var connectors = connectorsOf(port);
        for (CORBA::ULong i = 0; i < connectors->length(); ++i)
        {
          const std::string id = static_cast<const char*>(connectors[i].connector_id);
          if (known.count(id) != 0)
            continue;
          for (const LiveSystem::Member& other : m_system.members())
            for (const ComponentRef::Port& peer : other.ports)
              if (peer.info.isInput() && joins(connectors[i], peer.ref.in()) && known.insert(id).second)
                found.push_back("connection not in the file " + member.shown() + ":" + port.info.shortName() + " -> " +
                                other.shown() + ":" + peer.info.shortName() + " (" + id + ")");
        }
      }
    }
    return found;
  }
}
