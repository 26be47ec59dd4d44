#include "client/Orb.h"

#include "client/Error.h"
#include "client/TlsOptions.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace rtctl
{
  namespace
  {
    // "127.0.0.1" → "giop:tcp:127.0.0.1:" (any free port); "host:port" kept as given. With TLS
    // the scheme is giop:ssl:.
    std::string endpointFor(const std::string& address, const std::string& scheme)
    {
      if (address.compare(0, 5, "giop:") == 0)
        return address;
      std::string endpoint = scheme + address;
      const bool ipv6 = address.find(']') != std::string::npos;
      const std::string::size_type colon = address.rfind(':');
      if (colon == std::string::npos || (ipv6 && colon < address.find(']')))
        endpoint += ':';
      return endpoint;
    }
  }

  Orb::Orb(Mode mode)
  {
    std::vector<std::string> options = {
      "rtctl",
      // The ORB's own diagnostics would repeat, less clearly, the one line rtctl prints.
      "-ORBtraceLevel",
      "0",
      "-ORBclientCallTimeOutPeriod",
      std::to_string(kCallTimeoutMs),
      "-ORBclientConnectTimeOutPeriod",
      std::to_string(kConnectTimeoutMs),
      // Lets a thread that reads many objects bound its own calls tighter (serve's readers).
      "-ORBsupportPerThreadTimeOut",
      "1",
    };
    // Checked before ORB_init, which would abort the process on a file it cannot use.
    const rtm::OrbTls tls = TlsOptions::current().orbTls();
    if (tls.enabled())
    {
      const std::string problem = tls.problem();
      if (!problem.empty())
        throw Error(problem);
      tls.install();
      m_tls = true;
    }
    const char* endpoint = std::getenv("RTCTL_ENDPOINT");
    if (mode == kServing && endpoint != nullptr && *endpoint != '\0')
    {
      options.push_back("-ORBendPoint");
      options.push_back(endpointFor(endpoint, tls.endpointScheme()));
    }
    else if (mode == kServing && m_tls)
    {
      // omniORB's default endpoint is plain TCP; a TLS system's peers may refuse it.
      options.push_back("-ORBendPoint");
      options.push_back("giop:ssl::");
    }
    std::vector<char*> argv;
    argv.reserve(options.size() + 1);
    for (std::string& option : options)
      argv.push_back(&option[0]);
    int argc = static_cast<int>(argv.size());
    argv.push_back(nullptr);

    try
    {
      m_orb = CORBA::ORB_init(argc, argv.data());
      if (mode == kServing)
      {
        CORBA::Object_var obj = m_orb->resolve_initial_references("RootPOA");
        m_poa = PortableServer::POA::_narrow(obj.in());
        PortableServer::POAManager_var manager = m_poa->the_POAManager();
        manager->activate();
      }
    }
    catch (const CORBA::Exception& e)
    {
      if (endpoint != nullptr && mode == kServing)
        throw Error(std::string("cannot listen on RTCTL_ENDPOINT '") + endpoint +
                    "' (an address of this host, optionally :PORT): " + e._name());
      throw Error(std::string("cannot start the ORB: ") + e._name());
    }
  }

  Orb::~Orb()
  {
    try
    {
      if (!CORBA::is_nil(m_orb))
        m_orb->destroy();
    }
    catch (...)
    {
      // Leaving anyway: nothing a user could do about a failed clean-up here.
    }
  }
}
