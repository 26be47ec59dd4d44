// A service call's round trip through the runtime's service ports against a bare omniORB call to
// the same servant, side by side in one run. A child process (this program with "serve") hosts a
// provider on a CorbaPort; this process connects a consumer's CorbaPort to it, as a tool would,
// and then calls add() in alternating rounds: through the CorbaConsumer, and through a plain
// reference narrowed from the provider's IOR, which the connection published.
//   service_call [CALLS_PER_ROUND]   prints per-call medians and their ratios, also against a bare
//                                    call bounded by the same call timeout as the consumer's
#include "testsupport/CalculatorServant.h"

#include <rtm/CorbaConsumer.h>
#include <rtm/CorbaPort.h>
#include <rtm/RTObject.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
  const int kRounds = 11;

  // A component without a manager: it only gives its port an owner, a name and a POA.
  class BenchHost : public RTC::RTObject_impl
  {
  public:
    BenchHost(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa, const char* name) : RTC::RTObject_impl(orb, poa)
    {
      setInstanceName(name);
    }
  };

  CORBA::ORB_ptr startOrb(int argc, char** argv, PortableServer::POA_var& poa)
  {
    const char* options[][2] = {{"endPoint", "giop:tcp:127.0.0.1:"}, {nullptr, nullptr}};
    CORBA::ORB_ptr orb = CORBA::ORB_init(argc, argv, "omniORB4", options);
    CORBA::Object_var obj = orb->resolve_initial_references("RootPOA");
    poa = PortableServer::POA::_narrow(obj.in());
    PortableServer::POAManager_var manager = poa->the_POAManager();
    manager->activate();
    return orb;
  }

  int serve(int argc, char** argv)
  {
    PortableServer::POA_var poa;
    CORBA::ORB_var orb = startOrb(argc, argv, poa);
    BenchHost host(orb.in(), poa.in(), "Provider");
    testsupport::CalculatorServant servant;
    RTC::CorbaPort port("calc");
    port.registerProvider("calc0", "Calculator", servant);
    host.addPort(port);
    CORBA::String_var ior = orb->object_to_string(port.getPortRef());
    std::cout << ior.in() << std::endl;
    orb->run();
    return 0;
  }

  template <class Call>
  double microsecondsPerCall(int calls, Call call)
  {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i)
      call(i);
    const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / calls;
  }

  double median(std::vector<double> values)
  {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  }
}

int main(int argc, char** argv)
{
  if (argc > 1 && std::strcmp(argv[1], "serve") == 0)
    return serve(argc, argv);
  const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;

  int fromChild[2];
  if (::pipe(fromChild) != 0)
    return 1;
  const pid_t child = ::fork();
  if (child == 0)
  {
    ::dup2(fromChild[1], STDOUT_FILENO);
    ::close(fromChild[0]);
    ::execl("/proc/self/exe", argv[0], "serve", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fromChild[1]);
  std::string peerIor;
  char c = 0;
  while (::read(fromChild[0], &c, 1) == 1 && c != '\n')
    peerIor += c;

  int status = 0;
  {
    PortableServer::POA_var poa;
    CORBA::ORB_var orb = startOrb(argc, argv, poa);
    BenchHost host(orb.in(), poa.in(), "Consumer");
    RTC::CorbaConsumer<ServiceTest::Calculator> consumer;
    RTC::CorbaPort port("calc");
    port.registerConsumer("calc0", "Calculator", consumer);
    host.addPort(port);

    CORBA::Object_var peerObj = orb->string_to_object(peerIor.c_str());
    RTC::PortService_var peer = RTC::PortService::_narrow(peerObj.in());
    RTC::ConnectorProfile cp;
    cp.name = CORBA::string_dup("bench");
    cp.connector_id = CORBA::string_dup("");
    cp.ports.length(2);
    cp.ports[0] = RTC::PortService::_duplicate(port.getPortRef());
    cp.ports[1] = RTC::PortService::_duplicate(peer.in());
    if (port.getPortRef()->connect(cp) != RTC::RTC_OK || CORBA::is_nil(consumer._ptr()))
    {
      std::cerr << "service_call: the ports did not connect" << std::endl;
      ::kill(child, SIGTERM);
      ::waitpid(child, &status, 0);
      return 1;
    }
    const char* servantIor = "";
    for (CORBA::ULong i = 0; i < cp.properties.length(); ++i)
      if (std::strcmp(cp.properties[i].name.in(), "port.Calculator.calc0") == 0)
        cp.properties[i].value >>= servantIor;
    CORBA::Object_var servantObj = orb->string_to_object(servantIor);
    ServiceTest::Calculator_var bare = ServiceTest::Calculator::_narrow(servantObj.in());
    // The same bare call bounded as the consumer's calls are (1 s), to tell the bound's cost from
    // the port's.
    CORBA::Object_var timedObj = orb->string_to_object(servantIor);
    omniORB::setClientCallTimeout(timedObj.in(), 1000);
    ServiceTest::Calculator_var timed = ServiceTest::Calculator::_narrow(timedObj.in());

    // Both paths warm up the one connection they share, then take turns, round by round.
    for (int i = 0; i < calls; ++i)
    {
      bare->add(i, 1);
      consumer->add(i, 1);
    }
    std::vector<double> barePerCall;
    std::vector<double> portPerCall;
    std::vector<double> timedPerCall;
    for (int round = 0; round < kRounds; ++round)
    {
      barePerCall.push_back(microsecondsPerCall(calls, [&](int i) { bare->add(i, 1); }));
      portPerCall.push_back(microsecondsPerCall(calls, [&](int i) { consumer->add(i, 1); }));
      timedPerCall.push_back(microsecondsPerCall(calls, [&](int i) { timed->add(i, 1); }));
    }
    const double bareUs = median(barePerCall);
    const double portUs = median(portPerCall);
    const double timedUs = median(timedPerCall);
    std::printf("service_call calls=%d rounds=%d bare_us=%.2f port_us=%.2f ratio=%.3f bare_timed_us=%.2f "
                "timed_ratio=%.3f\n",
                calls, kRounds, bareUs, portUs, portUs / bareUs, timedUs, portUs / timedUs);
    port.getPortRef()->disconnect(cp.connector_id.in());
    host.removePort(port);
    ::kill(child, SIGTERM);
    ::waitpid(child, &status, 0);
    orb->destroy();
  }
  return 0;
}
