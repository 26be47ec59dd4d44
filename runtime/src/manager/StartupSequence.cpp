#include "manager/StartupSequence.h"

#include "config/InstanceName.h"
#include "config/Preconnect.h"
#include "log/Logger.h"
#include "manager/ComponentTable.h"
#include "manager/FactoryRegistry.h"
#include "manager/ManagerSettings.h"
#include "manager/PortPreconnect.h"

#include <coil/stringutil.h>
#include <rtm/RTObject.h>
#include <rtm/detail/ReturnCodeName.h>

#include <iostream>

namespace rtm
{
  StartupSequence::StartupSequence(ManagerSettings& settings, FactoryRegistry& types, ComponentTable& components,
                                   const std::string& program)
    : m_settings(settings), m_types(types), m_components(components), m_program(program)
  {}

  void StartupSequence::report(const std::string& line)
  {
    RTM_LOG_ERROR("manager", line);
    std::cerr << m_program << ": " << line << std::endl;
  }

  // manager.modules.preload: "file" or "file(initfunc)", comma separated.
  void StartupSequence::preload()
  {
    for (std::string file : coil::split(m_settings.setting("manager.modules.preload"), ",", true))
    {
      std::string init;
      const auto open = file.find('(');
      if (open != std::string::npos)
      {
        if (file.back() != ')')
        {
          report("malformed manager.modules.preload entry '" + file + "': expected file(initfunc)");
          continue;
        }
        init = file.substr(open + 1, file.size() - open - 2);
        file.erase(open);
        coil::eraseBothEndsBlank(init);
        coil::eraseBothEndsBlank(file);
      }
      std::string error;
      if (m_types.load(file, init, error) != RTC::RTC_OK)
        report(error);
    }
  }

  void StartupSequence::preCreate()
  {
    for (const std::string& arg : coil::split(m_settings.setting("manager.components.precreate"), ",", true))
    {
      std::string error;
      if (!arg.empty() && m_components.createComponent(arg, error) == nullptr)
        report(error);
    }
  }

  void StartupSequence::preConnect()
  {
    const config::PreconnectList list = config::parsePreconnect(m_settings.setting("manager.components.preconnect"));
    for (const std::string& error : list.errors)
      report(error);
    for (const config::Preconnection& connection : list.connections)
    {
      RTC::RTObject_impl* comp0 = m_components.findComponent(connection.component0);
      RTC::RTObject_impl* comp1 = m_components.findComponent(connection.component1);
      std::string error;
      if (comp0 == nullptr || comp1 == nullptr)
        error = "no component named '" + (comp0 == nullptr ? connection.component0 : connection.component1) + "'";
      else
        connectPreconnection(connection, comp0->getObjRef(), comp1->getObjRef(), error);
      if (!error.empty())
        report("preconnect '" + connection.text + "': " + error);
    }
  }

  void StartupSequence::preActivate()
  {
    for (const std::string& name : coil::split(m_settings.setting("manager.components.preactivation"), ",", true))
    {
      const std::string problem = config::instanceNameProblem(name);
      if (!problem.empty())
      {
        report("preactivation: component name '" + config::printable(name) + "' " + problem);
        continue;
      }
      RTC::RTObject_impl* comp = m_components.findComponent(name);
      RTC::ExecutionContext_var ec = comp != nullptr ? comp->get_context(0) : RTC::ExecutionContext::_nil();
      const RTC::ReturnCode_t ret = CORBA::is_nil(ec) ? RTC::BAD_PARAMETER : ec->activate_component(comp->getObjRef());
      if (comp == nullptr)
        report("preactivation: no component named '" + name + "'");
      else if (ret != RTC::RTC_OK)
        report("preactivation of '" + name + "' refused (" + returnCodeName(ret) + ")");
    }
  }
}
