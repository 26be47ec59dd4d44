// A component host for the execution-context figures: one component whose onExecute only counts
// its calls and timestamps them into an array allocated before the run. The host activates the
// component through its execution context, lets it run, deactivates it and prints one line:
//   rate= seconds= calls= nominal= error_pct= late_p50_us= late_p99_us= late_max_us=
//   ec_late_p50_us= ec_late_p99_us= ec_overruns=
// "late_*" is each onExecute call's lateness against its deadline (rebuilt by TickAnalysis);
// "ec_*" are the context's own counters (when the tick started, before dispatch).
//   ec_rate_host RATE SECONDS DUMPFILE|- [x1] [observed] [-- MANAGER OPTIONS...]
// DUMPFILE receives one lateness in µs a line, for the plot. With "x1" the component also has an
// input port x1 (TimedLong) that onExecute reads as Trimul does, for a peer to put into while the
// rate is measured (put_probe). With "observed" the host waits (20 s at most) for an observer to
// attach to its component before it activates it.
#include "BenchManager.h"
#include "BenchNaming.h"
#include "TickAnalysis.h"

#include "ec/PeriodicExecutionContext.h"

#include <rtm/DataFlowComponentBase.h>
#include <rtm/InPort.h>
#include <rtm/Manager.h>
#include <rtm/idl/BasicDataTypeSkel.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace
{
  // The execution context's clock, so lateness is measured on the same time line.
  std::int64_t nowNs()
  {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
  }

  // Written by the execution context's thread only; read by main once the component is inactive.
  std::vector<std::int64_t> g_stamps;
  std::atomic<std::size_t> g_calls{0};
  RTC::RTObject_impl* g_component = nullptr;
  bool g_withInput = false;

  class TickCounter : public RTC::DataFlowComponentBase
  {
  public:
    explicit TickCounter(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager), m_x1Port("x1", m_x1Sample) {}

    RTC::ReturnCode_t onInitialize() override
    {
      if (g_withInput)
        addInPort("x1", m_x1Port);
      return RTC::RTC_OK;
    }

    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      if (g_withInput && m_x1Port.isNew())
        m_x1Port.read();
      const std::size_t n = g_calls.load(std::memory_order_relaxed);
      if (n < g_stamps.size())
        g_stamps[n] = nowNs();
      g_calls.store(n + 1, std::memory_order_release);
      return RTC::RTC_OK;
    }

  private:
    RTC::TimedLong m_x1Sample;
    RTC::InPort<RTC::TimedLong> m_x1Port;
  };

  // A profile table keeps its hand layout.
  // clang-format off
  const char* const kSpec[] = {
    "implementation_id", "TickCounter", "type_name", "TickCounter", "description",
    "Counts execution-context ticks", "version", "1.0.0", "vendor", "bench", "category", "bench",
    "activity_type", "PERIODIC", "kind", "DataFlowComponent", "max_instance", "1", "language",
    "C++", "lang_type", "compile", ""};
  // clang-format on

  RTC::RTObject_impl* create(RTC::Manager* manager) { return new TickCounter(manager); }
  void destroy(RTC::RTObject_impl* rtc) { delete rtc; }

  void moduleInit(RTC::Manager* manager)
  {
    coil::Properties profile(kSpec, 2147483647);
    manager->registerFactory(profile, create, destroy);
    g_component = manager->createComponent("TickCounter");
  }

  // The context's own servant, for its statistics; null if it is not served in this process.
  rtm::PeriodicExecutionContext* contextServant(RTC::RTObject_impl* comp, RTC::ExecutionContext_ptr ec)
  {
    try
    {
      PortableServer::POA_ptr poa = comp->getPOA();
      PortableServer::ServantBase* servant = poa->reference_to_servant(ec);
      auto* pec = dynamic_cast<rtm::PeriodicExecutionContext*>(servant);
      servant->_remove_ref();  // the context's own references keep it alive
      return pec;
    }
    catch (const CORBA::Exception&)
    {
      return nullptr;
    }
  }
}

int main(int argc, char** argv)
{
  int managerArgs = 4;
  bool observed = false;
  for (; managerArgs < argc && std::strcmp(argv[managerArgs], "--") != 0; ++managerArgs)
  {
    if (std::strcmp(argv[managerArgs], "x1") == 0)
      g_withInput = true;
    else if (std::strcmp(argv[managerArgs], "observed") == 0)
      observed = true;
    else
      break;
  }
  if (argc < managerArgs || (argc > managerArgs && std::strcmp(argv[managerArgs], "--") != 0))
  {
    std::cerr << "usage: ec_rate_host RATE SECONDS DUMPFILE|- [x1] [observed] [-- MANAGER OPTIONS...]\n";
    return 2;
  }
  const long rate = bench::argNumber(argv[1], "RATE");
  const long seconds = bench::argNumber(argv[2], "SECONDS");
  const std::string dump = argv[3];

  // Room for a generous overshoot, so the tick path never allocates.
  g_stamps.assign(std::size_t(rate * seconds) * 6 / 5 + 1000, 0);

  RTC::Manager* manager = bench::startManager(argc, argv, managerArgs + 1, moduleInit,
                                              {"-o", "exec_cxt.periodic.rate:" + std::to_string(rate)});
  if (g_component == nullptr)
  {
    std::cerr << "ec_rate_host: the component was not created\n";
    manager->shutdown();
    return 1;
  }

  RTC::ExecutionContext_var ec = g_component->getExecutionContext(0);
  rtm::PeriodicExecutionContext* pec = contextServant(g_component, ec.in());
  if (observed)
  {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (SDOPackage::ServiceProfileList_var(g_component->get_service_profiles())->length() == 0 &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (pec != nullptr)
    pec->resetStats();
  if (ec->activate_component(g_component->getObjRef()) != RTC::RTC_OK)
  {
    std::cerr << "ec_rate_host: activation refused\n";
    manager->shutdown();
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(seconds * 1000 + 200));
  ec->deactivate_component(g_component->getObjRef());
  const double ecP50 = pec != nullptr ? pec->latenessPercentileUs(50.0) : -1;
  const double ecP99 = pec != nullptr ? pec->latenessPercentileUs(99.0) : -1;
  const std::uint64_t ecOverruns = pec != nullptr ? pec->overruns() : 0;

  const bench::TickFigures fig =
    bench::analyseTicks(g_stamps, g_calls.load(std::memory_order_acquire), 1000000000 / rate, seconds);
  const long nominal = rate * seconds;
  std::cout << "rate=" << rate << " seconds=" << seconds << " calls=" << fig.calls << " nominal=" << nominal
            << " error_pct=" << 100.0 * (double(fig.calls) - double(nominal)) / double(nominal)
            << " late_p50_us=" << fig.lateP50Us << " late_p99_us=" << fig.lateP99Us << " late_max_us=" << fig.lateMaxUs
            << " resyncs=" << fig.resyncs << " ec_late_p50_us=" << ecP50 << " ec_late_p99_us=" << ecP99
            << " ec_overruns=" << ecOverruns << std::endl;
  bench::dumpLateness(fig.lateUs, dump);
  manager->shutdown();
  return 0;
}
