// The process's ORB, started on the endpoints the configuration names: corba.endpoint(s), the
// master's well-known port first, every one TLS only once a key file is configured, plus
// corba.args. Nothing runs before it, so a problem here ends the process with one line.
#pragma once

#include <coil/Properties.h>
#include <omniORB4/CORBA.h>

#include <string>

namespace rtm
{
  class OrbSetup
  {
  public:
    // `program` names the process in the line that ends it on a TLS file or an endpoint that
    // cannot be used.
    OrbSetup(const coil::Properties& config, const std::string& program);

    CORBA::ORB_ptr orb() const { return m_orb.in(); }
    PortableServer::POA_ptr poa() const { return m_poa.in(); }
    PortableServer::POAManager_ptr poaManager() const { return m_poaManager.in(); }
    // "corbaloc::" or, with TLS on, "corbaloc:ssliop:": how this manager names its master.
    const std::string& corbalocScheme() const { return m_corbalocScheme; }

  private:
    CORBA::ORB_var m_orb;
    PortableServer::POA_var m_poa;
    PortableServer::POAManager_var m_poaManager;
    std::string m_corbalocScheme = "corbaloc::";
  };
}
