#include "manager/OrbSetup.h"

#include "manager/ManagerSettings.h"

#include <coil/stringutil.h>
#include <rtm/detail/OrbTls.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <vector>

namespace rtm
{
  namespace
  {
    // The ORB endpoint a master listens on: the port of corba.master_manager, on the host of the
    // first configured endpoint when that names one, else on the host of corba.master_manager
    // (localhost by default). The well-known port is where a manager takes orders, so it stays on
    // loopback unless asked otherwise.
    std::string masterEndpoint(const std::string& masterAddress, const std::vector<std::string>& endpoints)
    {
      const auto colon = masterAddress.rfind(':');
      const std::string port = colon == std::string::npos ? "2810" : masterAddress.substr(colon + 1);
      std::string host;
      if (!endpoints.empty())
        host = endpoints.front().substr(0, endpoints.front().rfind(':'));
      if (host.empty())
        host = colon == std::string::npos ? masterAddress : masterAddress.substr(0, colon);
      // omniORB binds the first address a name resolves to, which for localhost may be ::1
      // while tools that dial 127.0.0.1 find nothing there.
      if (host.empty() || host == "localhost")
        host = "127.0.0.1";
      return host + ":" + port;
    }

    OrbTls tlsOf(const coil::Properties& config)
    {
      OrbTls::Settings s;
      s.authorityFile = config.getProperty("corba.ssl.certificate_authority_file");
      s.keyFile = config.getProperty("corba.ssl.key_file");
      coil::eraseBothEndsBlank(s.authorityFile);
      coil::eraseBothEndsBlank(s.keyFile);
      s.keyPassword = config.getProperty("corba.ssl.key_file_password");
      s.verifyPeer = ManagerSettings::yes(config, "corba.ssl.verify_peer", true);
      return OrbTls(s);
    }
  }

  OrbSetup::OrbSetup(const coil::Properties& config, const std::string& program)
  {
    std::vector<std::string> endpoints;
    std::string configured = config.getProperty("corba.endpoints");
    if (configured.empty())
      configured = config.getProperty("corba.endpoint");
    for (std::string ep : coil::split(configured, ",", true))
    {
      if (ep.find(':') == std::string::npos)
        ep += ":";
      endpoints.push_back(ep);
    }
    // With TLS, every endpoint is TLS only, so that no object reference carries a plain address;
    // omniORB's own default endpoint would be plain TCP.
    const OrbTls tls = tlsOf(config);
    if (tls.enabled())
    {
      const std::string problem = tls.problem();
      if (!problem.empty())
      {
        std::cerr << program << ": " << problem << std::endl;
        std::exit(1);
      }
      tls.install();
      m_corbalocScheme = tls.corbalocScheme();
    }
    // A master is found at the port of corba.master_manager: that endpoint comes first, so that
    // its object references carry it.
    if (ManagerSettings::yes(config, "manager.is_master", false) &&
        ManagerSettings::yes(config, "manager.corba_servant", true))
      endpoints.insert(endpoints.begin(), masterEndpoint(config.getProperty("corba.master_manager"), endpoints));
    if (tls.enabled() && endpoints.empty())
      endpoints.push_back(":");

    std::vector<std::string> args = {"rtm"};
    for (const std::string& ep : endpoints)
    {
      args.push_back("-ORBendPoint");
      args.push_back(tls.endpointScheme() + ep);
    }
    std::istringstream extra(config.getProperty("corba.args"));
    for (std::string word; extra >> word;)
      args.push_back(word);

    std::vector<char*> argv;
    argv.reserve(args.size());
    for (std::string& a : args)
      argv.push_back(&a[0]);
    int argc = static_cast<int>(argv.size());
    // The SSL transport is in every program; without TLS settings it would warn, at omniORB's
    // default trace level, that it is off, which is no news. A trace level the user asks for
    // (corba.args, ORBtraceLevel in the environment) still wins.
    const CORBA::ULong traceLevel = omniORB::traceLevel;
    const bool quiet = !tls.enabled() && config.getProperty("corba.args").find("-ORBtraceLevel") == std::string::npos;
    if (quiet)
      omniORB::traceLevel = 0;
    try
    {
      // corba.id names the ORB product ("omniORB"); omniORB 4 only answers to its own identifier.
      m_orb = CORBA::ORB_init(argc, argv.data(), "omniORB4");
      if (quiet && omniORB::traceLevel == 0)
        omniORB::traceLevel = traceLevel;
      CORBA::Object_var obj = m_orb->resolve_initial_references("RootPOA");
      m_poa = PortableServer::POA::_narrow(obj.in());
      m_poaManager = m_poa->the_POAManager();
    }
    catch (const CORBA::Exception& e)
    {
      // Nothing runs yet: the usual cause is an endpoint already taken (a second master on the
      // same port) or an address of no interface of this host.
      std::string shown;
      for (const std::string& ep : endpoints)
        shown += (shown.empty() ? "" : ",") + ep;
      std::cerr << program << ": cannot start the ORB on endpoints '" << shown << "' (" << e._name()
                << "): is the port in use?" << std::endl;
      std::exit(1);
    }
  }
}
