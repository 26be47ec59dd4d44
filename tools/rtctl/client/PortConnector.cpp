#include "client/PortConnector.h"

#include "client/CorbaText.h"
#include "client/Error.h"

#include <coil/stringutil.h>

namespace rtctl
{
  namespace
  {
    const char* const kPrefix = "dataport.";

    std::string trim(const std::string& text)
    {
      const std::string::size_type first = text.find_first_not_of(" \t");
      if (first == std::string::npos)
        return std::string();
      return text.substr(first, text.find_last_not_of(" \t") - first + 1);
    }

    void set(PortConnector::Properties& properties, const std::string& key, const std::string& value)
    {
      for (auto& nv : properties)
      {
        if (nv.first == key)
        {
          nv.second = value;
          return;
        }
      }
      properties.emplace_back(key, value);
    }
  }

  bool PortConnector::offers(const std::string& offered, const std::string& wanted)
  {
    std::string list = offered;
    coil::toLower(list);
    if (list.find("any") != std::string::npos)
      return true;
    std::string target = trim(wanted);
    coil::toLower(target);
    std::string::size_type start = 0;
    while (start <= list.size())
    {
      std::string::size_type end = list.find(',', start);
      if (end == std::string::npos)
        end = list.size();
      if (trim(list.substr(start, end - start)) == target)
        return true;
      start = end + 1;
    }
    return false;
  }

  PortConnector::Properties PortConnector::properties(const PortInfo& first, const std::vector<std::string>& userPairs)
  {
    Properties properties = {
      {"dataport.dataflow_type", "push"},
      {"dataport.interface_type", "corba_cdr"},
      {"dataport.subscription_type", "flush"},
      {"dataport.data_type", first.dataType()},
    };
    for (const std::string& pair : userPairs)
    {
      const std::string::size_type eq = pair.find('=');
      if (eq == std::string::npos || eq == 0)
        throw UsageError("'" + pair + "' is not a connector property (KEY=VALUE)");
      std::string key = trim(pair.substr(0, eq));
      if (key.compare(0, std::string(kPrefix).size(), kPrefix) != 0)
        key = kPrefix + key;
      set(properties, key, trim(pair.substr(eq + 1)));
    }
    return properties;
  }

  PortConnector::Properties PortConnector::properties(const PortInfo& first, const PortInfo& second,
                                                      const std::vector<std::string>& userPairs)
  {
    if (!first.isService() || !second.isService())
      return properties(first, userPairs);
    Properties result;
    for (const auto& ends : {std::make_pair(&first, &second), std::make_pair(&second, &first)})
    {
      const PortInfo& consumer = *ends.first;
      const PortInfo& provider = *ends.second;
      const std::string consumerOwner = consumer.fullName().substr(0, consumer.fullName().rfind('.'));
      const std::string providerOwner = provider.fullName().substr(0, provider.fullName().rfind('.'));
      for (const PortInfo::Interface& required : consumer.interfaces())
      {
        if (required.provided)
          continue;
        for (const PortInfo::Interface& offered : provider.interfaces())
        {
          if (!offered.provided || offered.typeName != required.typeName)
            continue;
          set(result,
              consumerOwner + ".port." + consumer.shortName() + ".required." + required.typeName + "." +
                required.instanceName,
              providerOwner + ".port." + provider.shortName() + ".provided." + offered.typeName + "." +
                offered.instanceName);
          break;
        }
      }
    }
    if (result.empty())
      throw Error("no interface that " + first.fullName() + " or " + second.fullName() +
                  " requires is provided by the other; list them with rtctl cat");
    for (const std::string& pair : userPairs)
    {
      const std::string::size_type eq = pair.find('=');
      if (eq == std::string::npos || eq == 0)
        throw UsageError("'" + pair + "' is not a connector property (KEY=VALUE)");
      set(result, trim(pair.substr(0, eq)), trim(pair.substr(eq + 1)));
    }
    return result;
  }

  void PortConnector::checkCompatible(const std::string& firstName, const PortInfo& first,
                                      const std::string& secondName, const PortInfo& second,
                                      const Properties& properties)
  {
    if (first.isService() != second.isService())
      throw Error("cannot connect " + firstName + " to " + secondName + ": " +
                  (first.isService() ? firstName : secondName) + " is a service port, the other a data port");
    if (first.isService())
      return;
    if ((first.isInput() && second.isInput()) || (first.isOutput() && second.isOutput()))
      throw Error("cannot connect " + firstName + " to " + secondName + ": both are " +
                  (first.isInput() ? "input" : "output") + " ports");
    if (first.dataType() != second.dataType())
      throw Error("data types differ: " + firstName + " carries " + first.dataType() + ", " + secondName + " carries " +
                  second.dataType());
    const std::pair<const std::string*, const PortInfo*> ports[] = {{&firstName, &first}, {&secondName, &second}};
    for (const auto& nv : properties)
    {
      for (const auto& port : ports)
      {
        if (!port.second->hasProperty(nv.first))
          continue;
        const std::string offered = port.second->property(nv.first);
        if (nv.first == "dataport.data_type" ? offered != nv.second : !offers(offered, nv.second))
          throw Error(*port.first + " does not offer " + nv.first + " '" + nv.second + "' (it offers: " + offered +
                      ")");
      }
    }
  }

  std::string PortConnector::connect(RTC::PortService_ptr first, RTC::PortService_ptr second,
                                     const Properties& properties, const std::string& name, const std::string& id)
  {
    RTC::ConnectorProfile profile;
    profile.name = CORBA::string_dup(name.c_str());
    profile.connector_id = CORBA::string_dup(id.c_str());
    profile.ports.length(2);
    profile.ports[0] = RTC::PortService::_duplicate(first);
    profile.ports[1] = RTC::PortService::_duplicate(second);
    profile.properties.length(static_cast<CORBA::ULong>(properties.size()));
    for (size_t i = 0; i < properties.size(); ++i)
    {
      profile.properties[static_cast<CORBA::ULong>(i)].name = CORBA::string_dup(properties[i].first.c_str());
      profile.properties[static_cast<CORBA::ULong>(i)].value <<= properties[i].second.c_str();
    }
    RTC::ReturnCode_t ret = RTC::RTC_ERROR;
    try
    {
      ret = first->connect(profile);
    }
    catch (const CORBA::Exception& e)
    {
      throw Error("connecting: the port " + CorbaText::exception(e));
    }
    if (ret != RTC::RTC_OK)
      throw Error("the ports refused the connection: " + CorbaText::returnCode(ret));
    return static_cast<const char*>(profile.connector_id);
  }

  std::vector<std::string> PortConnector::disconnect(RTC::PortService_ptr first, RTC::PortService_ptr second)
  {
    std::vector<std::string> removed;
    try
    {
      RTC::ConnectorProfileList_var connectors = first->get_connector_profiles();
      for (CORBA::ULong i = 0; i < connectors->length(); ++i)
      {
        const RTC::ConnectorProfile& connector = connectors[i];
        bool joinsSecond = false;
        for (CORBA::ULong j = 0; j < connector.ports.length() && !joinsSecond; ++j)
          joinsSecond = connector.ports[j]->_is_equivalent(second);
        if (!joinsSecond)
          continue;
        const std::string id = static_cast<const char*>(connector.connector_id);
        const RTC::ReturnCode_t ret = first->disconnect(id.c_str());
        if (ret != RTC::RTC_OK)
          throw Error("the port refused to remove connector " + id + ": " + CorbaText::returnCode(ret));
        removed.push_back(id);
      }
    }
    catch (const CORBA::Exception& e)
    {
      throw Error("disconnecting: the port " + CorbaText::exception(e));
    }
    return removed;
  }
}
