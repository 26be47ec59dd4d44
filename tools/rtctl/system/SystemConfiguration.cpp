#include "system/SystemConfiguration.h"

#include "client/Error.h"
#include "client/NameValues.h"

namespace rtctl
{
  namespace
  {
    SDOPackage::ConfigurationSet toSet(const SavedConfigurationSet& saved)
    {
      SDOPackage::ConfigurationSet set;
      set.id = CORBA::string_dup(saved.id.c_str());
      set.description = CORBA::string_dup("");
      set.configuration_data.length(static_cast<CORBA::ULong>(saved.data.size()));
      for (size_t i = 0; i < saved.data.size(); ++i)
      {
        set.configuration_data[static_cast<CORBA::ULong>(i)].name = CORBA::string_dup(saved.data[i].first.c_str());
        set.configuration_data[static_cast<CORBA::ULong>(i)].value <<= saved.data[i].second.c_str();
      }
      return set;
    }
  }

  SystemConfiguration::SystemConfiguration(const LiveSystem::Member& member) : m_member(member)
  {
    try
    {
      m_configuration = member.ref->ref()->get_configuration();
    }
    catch (const CORBA::Exception& e)
    {
      member.ref->fail("reading its configuration", e);
    }
  }

  bool SystemConfiguration::saved() const
  {
    return !m_member.saved->activeConfigurationSet.empty() || !m_member.saved->configurationSets.empty();
  }

  const SDOPackage::ConfigurationSet* SystemConfiguration::find(const SDOPackage::ConfigurationSetList& sets,
                                                                const std::string& id)
  {
    for (CORBA::ULong i = 0; i < sets.length(); ++i)
      if (id == static_cast<const char*>(sets[i].id))
        return &sets[i];
    return nullptr;
  }

  SDOPackage::ConfigurationSetList* SystemConfiguration::liveSets() const
  {
    try
    {
      // Asking for the active set first makes a component without parameters list its
      // "default" set, which it otherwise only creates on demand.
      try
      {
        SDOPackage::ConfigurationSet_var active = m_configuration->get_active_configuration_set();
      }
      catch (const SDOPackage::NotAvailable&)
      {}
      return m_configuration->get_configuration_sets();
    }
    catch (const CORBA::Exception& e)
    {
      m_member.ref->fail("reading its configuration sets", e);
    }
  }

  void SystemConfiguration::checkRestorable() const
  {
    const std::string& active = m_member.saved->activeConfigurationSet;
    if (active.empty())
      return;
    for (const SavedConfigurationSet& set : m_member.saved->configurationSets)
      if (set.id == active)
        return;
    SDOPackage::ConfigurationSetList_var sets = liveSets();
    if (find(sets.in(), active) == nullptr)
      throw Error("rts:Components '" + m_member.saved->instanceName + "': rts:activeConfigurationSet '" + active +
                  "' is neither among its rts:ConfigurationSets nor on " + m_member.shown());
  }

  std::string SystemConfiguration::restore() const
  {
    SDOPackage::ConfigurationSetList_var sets = liveSets();
    size_t values = 0;
    try
    {
      for (const SavedConfigurationSet& saved : m_member.saved->configurationSets)
      {
        if (saved.id.empty())
          continue;
        const SDOPackage::ConfigurationSet set = toSet(saved);
        const bool ok = find(sets.in(), saved.id) == nullptr ? m_configuration->add_configuration_set(set)
                                                             : m_configuration->set_configuration_set_values(set);
        if (!ok)
          throw Error(m_member.shown() + " refused configuration set '" + saved.id + "'");
        values += saved.data.size();
      }
      const std::string& active = m_member.saved->activeConfigurationSet;
      if (!active.empty() && !m_configuration->activate_configuration_set(active.c_str()))
        throw Error(m_member.shown() + " refused to activate configuration set '" + active + "'");
    }
    catch (const SDOPackage::InvalidParameter& e)
    {
      throw Error(m_member.shown() + " refused its configuration: " + static_cast<const char*>(e.description));
    }
    catch (const CORBA::Exception& e)
    {
      m_member.ref->fail("setting its configuration", e);
    }
    std::string line = "configured " + m_member.shown() + ": " +
                       std::to_string(m_member.saved->configurationSets.size()) + " set(s), " + std::to_string(values) +
                       " value(s)";
    if (!m_member.saved->activeConfigurationSet.empty())
      line += ", set '" + m_member.saved->activeConfigurationSet + "' active";
    return line;
  }

  std::vector<std::string> SystemConfiguration::differences() const
  {
    std::vector<std::string> found;
    const std::string where = "configuration of " + m_member.shown() + ": ";
    SDOPackage::ConfigurationSetList_var sets = liveSets();
    for (const SavedConfigurationSet& saved : m_member.saved->configurationSets)
    {
      const SDOPackage::ConfigurationSet* live = find(sets.in(), saved.id);
      if (live == nullptr)
      {
        found.push_back(where + "no set '" + saved.id + "'");
        continue;
      }
      const NameValues liveData(live->configuration_data);
      for (const auto& nv : saved.data)
      {
        const bool present = liveData.has(nv.first);
        const std::string value = liveData.value(nv.first);
        if (!present)
          found.push_back(where + "set '" + saved.id + "' has no '" + nv.first + "' (the file: '" + nv.second + "')");
        else if (value != nv.second)
          found.push_back(where + "set '" + saved.id + "' has " + nv.first + "='" + value + "' (the file: '" +
                          nv.second + "')");
      }
    }
    const std::string& wanted = m_member.saved->activeConfigurationSet;
    if (wanted.empty())
      return found;
    try
    {
      SDOPackage::ConfigurationSet_var active = m_configuration->get_active_configuration_set();
      if (wanted != static_cast<const char*>(active->id))
        found.push_back(where + "active set '" + std::string(active->id) + "' (the file: '" + wanted + "')");
    }
    catch (const SDOPackage::NotAvailable&)
    {
      found.push_back(where + "no active set (the file: '" + wanted + "')");
    }
    catch (const CORBA::Exception& e)
    {
      m_member.ref->fail("reading its active configuration set", e);
    }
    return found;
  }
}
