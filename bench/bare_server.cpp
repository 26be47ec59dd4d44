// The baseline for a component host: a bare omniORB server that does only what any CORBA server
// must. It initialises the ORB, activates one object (an OpenRTM::InPortCdr whose put accepts every
// sample, so it is also the baseline peer for a data port), binds it in the naming service under a
// component-shaped name, and serves until SIGINT or SIGTERM; then it unbinds and prints what its
// puts cost in allocations.
//   bare_server NSPORT [INSTANCE]      binds "<hostname>.host_cxt/<INSTANCE>.rtc" (default Bare0)
#include "testsupport/AllocationCounter.h"
#include "BenchNaming.h"
#include "PeriodicLoop.h"

#include <rtm/idl/DataPort.hh>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <cstdint>
#include <iostream>
#include <string>

namespace
{
  // Puts before this one warm the connection up and are left out of the per-put figures; the same
  // count as port_reader leaves out.
  constexpr std::uint64_t kWarmPuts = 20000;

  class BareInPortCdr : public POA_OpenRTM::InPortCdr
  {
  public:
    OpenRTM::PortStatus put(const OpenRTM::CdrData&) override
    {
      const std::uint64_t n = m_puts.fetch_add(1) + 1;
      const std::uint64_t allocs = testsupport::processAllocations();
      if (n == kWarmPuts)
        m_allocsAtWarm = allocs;
      m_allocsLast = allocs;
      return OpenRTM::PORT_OK;
    }

    void report() const
    {
      const std::uint64_t puts = m_puts.load();
      std::cout << "bare_puts=" << puts;
      if (puts > kWarmPuts)
        std::cout << " bare_allocs_per_put="
                  << double(m_allocsLast.load() - m_allocsAtWarm.load()) / double(puts - kWarmPuts);
      std::cout << std::endl;
    }

  private:
    std::atomic<std::uint64_t> m_puts{0};
    std::atomic<std::uint64_t> m_allocsAtWarm{0};
    std::atomic<std::uint64_t> m_allocsLast{0};
  };

}

int main(int argc, char** argv)
{
  const std::int64_t atMain = bench::monotonicNs();
  if (argc < 2 || argc > 3)
  {
    std::cerr << "usage: bare_server NSPORT [INSTANCE]\n";
    return 2;
  }
  const int nsPort = static_cast<int>(bench::argNumber(argv[1], "NSPORT"));
  const std::string path = bench::componentPath(argc == 3 ? argv[2] : "Bare0");

  // Blocked before the ORB starts its threads, so only sigwait below ever sees these signals.
  const sigset_t stopSignals = bench::blockStopSignals();

  try
  {
    CORBA::ORB_var orb = bench::initLoopbackOrb(argv[0]);
    const std::int64_t afterInit = bench::monotonicNs();
    CORBA::Object_var poaObj = orb->resolve_initial_references("RootPOA");
    PortableServer::POA_var poa = PortableServer::POA::_narrow(poaObj);
    PortableServer::Servant_var<BareInPortCdr> servant = new BareInPortCdr;
    PortableServer::ObjectId_var oid = poa->activate_object(servant.in());
    CORBA::Object_var ref = poa->id_to_reference(oid.in());
    PortableServer::POAManager_var pm = poa->the_POAManager();
    pm->activate();

    CosNaming::NamingContextExt_var root = bench::namingRoot(orb, nsPort);
    bench::bindInContext(root, path, ref);
    // Start-up phases beside TrimulComp's (see startup_phases): BENCH_SPAWN_NS is the spawn time.
    if (const char* spawn = std::getenv("BENCH_SPAWN_NS"))
      std::cout << "phase_main_us=" << (atMain - std::atoll(spawn)) / 1000
                << " phase_init_us=" << (afterInit - atMain) / 1000
                << " phase_bind_us=" << (bench::monotonicNs() - afterInit) / 1000 << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);

    bench::unbindIfBound(root, path);
    servant->report();
    orb->destroy();
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "bare_server: " << e._name() << " (is the naming service on 127.0.0.1:" << nsPort << " running?)\n";
    return 1;
  }
  return 0;
}
