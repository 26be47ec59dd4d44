#include "format/ProfilePrinter.h"

#include "client/CorbaText.h"
#include "client/Error.h"
#include "format/TextTable.h"

#include <algorithm>
#include <sstream>

namespace rtctl
{
  namespace
  {
    std::string rateText(double rate)
    {
      std::ostringstream out;
      out << rate << " Hz";
      return out.str();
    }
  }

  // The peer's own profile name ("Trimul0.y1"), then where its component is bound
  // ("at vm.host_cxt/Trimul1.rtc:y1"), or why the port cannot be read.
  std::string ProfilePrinter::peerName(RTC::PortService_ptr peer) const
  {
    try
    {
      RTC::PortProfile_var profile = peer->get_port_profile();
      const PortInfo info(profile.in());
      std::string text = info.fullName();
      const std::string path = m_peers != nullptr ? m_peers->pathOf(profile->owner.in()) : std::string();
      if (!path.empty())
        text += " at " + path + ":" + info.shortName();
      return text;
    }
    catch (const CORBA::Exception& e)
    {
      return "<a port that " + CorbaText::exception(e) + ">";
    }
  }

  std::string ProfilePrinter::portSummary(const ComponentRef& component)
  {
    std::string summary;
    for (const ComponentRef::Port& port : component.ports())
      summary += (summary.empty() ? "" : " ") + port.info.shortName() + "(" + port.info.direction() + ")";
    return summary;
  }

  void ProfilePrinter::printComponent(const ComponentRef& component, std::ostream& out) const
  {
    RTC::ComponentProfile_var profile;
    try
    {
      profile = component.ref()->get_component_profile();
    }
    catch (const CORBA::Exception& e)
    {
      component.fail("reading its profile", e);
    }

    out << component.path().componentText() << "  " << component.stateInFirstContext() << '\n';
    TextTable head("  ");
    head.add({"Instance name", static_cast<const char*>(profile->instance_name)});
    head.add({"Type name", static_cast<const char*>(profile->type_name)});
    head.add({"Description", static_cast<const char*>(profile->description)});
    head.add({"Version", static_cast<const char*>(profile->version)});
    head.add({"Vendor", static_cast<const char*>(profile->vendor)});
    head.add({"Category", static_cast<const char*>(profile->category)});
    head.print(out);

    out << "  Properties\n";
    TextTable properties("    ");
    for (CORBA::ULong i = 0; i < profile->properties.length(); ++i)
      properties.add(
        {static_cast<const char*>(profile->properties[i].name), CorbaText::anyValue(profile->properties[i].value)});
    properties.print(out);

    printContexts(component, out);
    printPorts(component, out);
  }

  void ProfilePrinter::printContexts(const ComponentRef& component, std::ostream& out) const
  {
    const std::vector<RTC::ExecutionContext_var> contexts = component.contexts();
    const size_t owned = component.ownedContextCount();
    out << "  Execution contexts\n";
    if (contexts.empty())
      out << "    (none)\n";
    for (size_t i = 0; i < contexts.size(); ++i)
    {
      TextTable row("    ");
      try
      {
        RTC::ExecutionContext_ptr ec = contexts[i].in();
        row.add({std::to_string(i), i < owned ? "owned" : "participating", CorbaText::kind(ec->get_kind()),
                 rateText(ec->get_rate()), ec->is_running() ? "running" : "stopped",
                 CorbaText::state(ec->get_component_state(component.ref()))});
      }
      catch (const CORBA::Exception& e)
      {
        row.add({std::to_string(i), i < owned ? "owned" : "participating", CorbaText::exception(e)});
      }
      row.print(out);
    }
  }

  void ProfilePrinter::printPorts(const ComponentRef& component, std::ostream& out) const
  {
    out << "  Ports\n";
    const std::vector<ComponentRef::Port> ports = component.ports();
    if (ports.empty())
      out << "    (none)\n";
    // One table for the port lines, with each port's connections printed under its own line.
    size_t nameWidth = 0;
    size_t directionWidth = 0;
    for (const ComponentRef::Port& port : ports)
    {
      nameWidth = std::max(nameWidth, port.info.shortName().size());
      directionWidth = std::max(directionWidth, port.info.direction().size());
    }
    for (const ComponentRef::Port& port : ports)
    {
      const std::string name = port.info.shortName();
      const std::string direction = port.info.direction();
      out << "    " << name << std::string(nameWidth - name.size() + 2, ' ') << direction
          << std::string(directionWidth - direction.size() + 2, ' ') << port.info.carries() << '\n';
      if (m_details)
      {
        TextTable properties("        ");
        for (const auto& nv : port.info.properties())
          properties.add({nv.first, nv.second});
        properties.print(out);
      }
      printConnections(port, "      ", out);
    }
  }

  void ProfilePrinter::printPort(const ComponentRef::Port& port, std::ostream& out) const
  {
    TextTable head;
    head.add({port.info.fullName(), port.info.direction(), port.info.carries()});
    head.print(out);
    TextTable properties("    ");
    for (const auto& nv : port.info.properties())
      properties.add({nv.first, nv.second});
    properties.print(out);
    printConnections(port, "  ", out);
  }

  void ProfilePrinter::printConnections(const ComponentRef::Port& port, const std::string& indent,
                                        std::ostream& out) const
  {
    RTC::ConnectorProfileList_var connectors;
    try
    {
      connectors = port.ref->get_connector_profiles();
    }
    catch (const CORBA::Exception& e)
    {
      out << indent << "connections cannot be read: the port " << CorbaText::exception(e) << '\n';
      return;
    }
    for (CORBA::ULong i = 0; i < connectors->length(); ++i)
    {
      const RTC::ConnectorProfile& connector = connectors[i];
      std::string peers;
      for (CORBA::ULong j = 0; j < connector.ports.length(); ++j)
      {
        bool self = false;
        try
        {
          self = connector.ports[j]->_is_equivalent(port.ref.in());
        }
        catch (const CORBA::Exception&)
        {}
        if (!self)
          peers += (peers.empty() ? "" : ", ") + peerName(connector.ports[j].in());
      }
      out << indent << "connected to " << (peers.empty() ? std::string("nothing") : peers) << "  (connector "
          << static_cast<const char*>(connector.connector_id) << ")\n";
      if (m_details)
      {
        TextTable properties(indent + "    ");
        for (CORBA::ULong k = 0; k < connector.properties.length(); ++k)
          properties.add({static_cast<const char*>(connector.properties[k].name),
                          CorbaText::anyValue(connector.properties[k].value)});
        properties.print(out);
      }
    }
  }
}
