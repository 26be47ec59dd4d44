// rtctl's own short-lived component for inject and print: one data port, connected to the
// target port for the component's life. It is bound in no naming service; on destruction it
// disconnects, exits and waits (bounded) until the ORB has let go of it, so that nothing of it
// is left on the target.
#pragma once

#include "client/LocalPort.h"
#include "client/PortConnector.h"

#include <rtm/DataFlowComponentBase.h>

#include <memory>
#include <string>

namespace rtctl
{
  class Orb;

  class LocalComponent
  {
  public:
    // `role` ("inject", "print") names the component: rtctl_<role>_<pid>.
    LocalComponent(Orb& orb, const std::string& role, std::unique_ptr<LocalPort> port);
    ~LocalComponent();
    LocalComponent(const LocalComponent&) = delete;
    LocalComponent& operator=(const LocalComponent&) = delete;

    LocalPort& port() { return *m_port; }
    // Own port first, as the shell tools connect theirs; returns the connector id or throws Error.
    std::string connect(RTC::PortService_ptr target, const PortConnector::Properties& properties);

  private:
    class Servant;
    Servant* m_component;  // reference-counted by the POA: released, never deleted
    std::unique_ptr<LocalPort> m_port;
  };
}
